// Adapter entries written below the real Display class key for one test, and removed
// again when the test ends. Seed right before starting the program: Wine rebuilds the
// class key when a new Wine session starts, so entries only live within one session.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeedValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// A REG_SZ value with its terminating NUL.
SeedValue TextValue(const std::wstring& name, const std::wstring& text);
// A REG_DWORD value.
SeedValue NumberValue(const std::wstring& name, DWORD number);
// A REG_BINARY value holding the UTF-16LE bytes of the text followed by two zero bytes, the
// way the platform stores "HardwareInformation.AdapterString".
SeedValue Utf16BinaryValue(const std::wstring& name, const std::wstring& text);

struct SeedKey {
    // Relative to the entry's own key; empty for the entry's key itself.
    std::wstring path;
    std::vector<SeedValue> values;
};

struct SeedEntry {
    // The subkey's name below the class key.
    std::wstring subkey;
    std::vector<SeedValue> values;
    // Keys below the entry, created in this order (missing parents are created too).
    std::vector<SeedKey> below;
};

class DisplayClassSeed {
public:
    DisplayClassSeed() = default;
    // Removes every entry this object seeded that is still there.
    ~DisplayClassSeed();
    DisplayClassSeed(const DisplayClassSeed&) = delete;
    DisplayClassSeed& operator=(const DisplayClassSeed&) = delete;

    // Writes the entry and everything below it. Throws std::runtime_error when a key
    // cannot be written, or when the subkey is already there: it may belong to the
    // platform or be left over, and a test must not overwrite or later delete it.
    void Add(const SeedEntry& entry);

    const std::vector<std::wstring>& Subkeys() const { return seeded_; }

private:
    std::vector<std::wstring> seeded_;
};
