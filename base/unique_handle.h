// The one owner of every handle the program holds: a registry key, a GDI object, a
// device context, a kernel handle. Each kind is a one-line instance,
// UniqueHandle<Traits>, whose traits say which value means "nothing", which values
// are held, and how one is given back. Move-only, so a handle has one
// owner at a time, and given back on every path out of its scope, so that no early
// return or raised error leaks one.
//
// Traits may carry what giving back needs besides the handle (the window a device
// context was borrowed from, the registry seam a key was opened through); the owner
// keeps a copy beside the handle. Plain C++: the Win32 kinds' traits live with the
// Win32 code.
#pragma once

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value, Traits traits = Traits()) : value_(value), traits_(std::move(traits)) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()), traits_(std::move(other.traits_)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
            traits_ = std::move(other.traits_);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const { return value_; }
    explicit operator bool() const { return Traits::Valid(value_); }

    // For the out-parameter of a function that opens a handle: gives back the one
    // held, if any, and lets the function write the new one in its place.
    Type* Put() {
        Reset();
        return &value_;
    }

    // Hands the handle over to the caller, who gives it back from now on.
    Type Release() { return std::exchange(value_, Traits::Invalid()); }

    // Gives back the handle held, if any, and takes over another.
    void Reset(Type value = Traits::Invalid()) {
        const Type old = std::exchange(value_, value);
        if (Traits::Valid(old)) traits_.Close(old);
    }

private:
    Type value_ = Traits::Invalid();
    Traits traits_;
};

// The traits of the usual kind of handle, where the zero value (null) means none.
// A kind's traits add only how a handle is given back.
template <typename Handle>
struct NullHandleTraits {
    using Type = Handle;
    static Handle Invalid() { return Handle{}; }
    static bool Valid(Handle handle) { return handle != Handle{}; }
};
