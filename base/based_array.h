// A growable array with a chosen lower bound, as the program's lists are kept:
// names come back 1-based, byte data 0-based. Every access is bounds-checked and
// raises the subscript-out-of-range error instead of touching memory it does not own.
#pragma once

#include <cstdint>
#include <vector>

#include "base/app_error.h"

template <typename T>
class BasedArray {
public:
    BasedArray() = default;
    BasedArray(int32_t lowerBound, std::vector<T> items) : lower_(lowerBound), items_(std::move(items)) {}

    bool IsEmpty() const { return items_.empty(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t LBound() const { return lower_; }
    // With no elements the upper bound lies just below the lower one.
    int32_t UBound() const { return lower_ + Count() - 1; }
    bool Contains(int32_t index) const { return !IsEmpty() && index >= lower_ && index <= UBound(); }

    T& operator()(int32_t index) {
        if (!Contains(index)) RaiseSubscriptOutOfRange();
        return items_[static_cast<size_t>(index - lower_)];
    }
    const T& operator()(int32_t index) const {
        if (!Contains(index)) RaiseSubscriptOutOfRange();
        return items_[static_cast<size_t>(index - lower_)];
    }

    void Erase() {
        items_.clear();
        lower_ = 0;
    }

    // Resizes to lowerBound..upperBound keeping the elements that stay in range.
    void ReDimPreserve(int32_t lowerBound, int32_t upperBound) {
        if (!IsEmpty() && lowerBound != lower_) RaiseSubscriptOutOfRange();
        if (upperBound < lowerBound - 1) RaiseSubscriptOutOfRange();
        lower_ = lowerBound;
        items_.resize(static_cast<size_t>(static_cast<int64_t>(upperBound) - lowerBound + 1));
    }

    // Appends one element after the current upper bound.
    void Append(T item, int32_t lowerBoundIfEmpty = 1) {
        if (IsEmpty()) lower_ = lowerBoundIfEmpty;
        items_.push_back(std::move(item));
    }

    const std::vector<T>& Items() const { return items_; }

    friend bool operator==(const BasedArray& a, const BasedArray& b) {
        return a.Count() == b.Count() && (a.IsEmpty() || a.lower_ == b.lower_) && a.items_ == b.items_;
    }
    friend bool operator!=(const BasedArray& a, const BasedArray& b) { return !(a == b); }

private:
    int32_t lower_ = 0;
    std::vector<T> items_;
};
