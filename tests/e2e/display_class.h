// The Display device class key of the real registry, read from outside the program:
// what the tests expect the window to show, and what a removal left behind.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace display_class {

// Below HKEY_LOCAL_MACHINE, without a trailing backslash.
extern const std::wstring kPath;

// The full path below HKEY_LOCAL_MACHINE of a key given relative to the class key.
std::wstring PathOf(const std::wstring& relative);

bool KeyExists(const std::wstring& relative);

// The names of the direct subkeys, in the platform's enumeration order.
std::vector<std::wstring> Subkeys(const std::wstring& relative = L"");

// Every key and value below the class key, the class key's own values included, one line
// each, in a fixed order: two snapshots are equal exactly when nothing changed.
std::vector<std::wstring> Snapshot();

// What the window shows for one subkey.
struct AdapterView {
    std::wstring name;
    std::wstring manufacturer;
    std::wstring biosVersion;
    std::wstring driverVersion;
    std::wstring driverDate;
};

// Reads a subkey the way the program turns values into text (strings as they are, numbers
// in decimal, anything else as UTF-16LE, NULs dropped). Empty when the subkey names no
// adapter: neither a non-empty "DriverDesc" nor a non-empty adapter string.
std::optional<AdapterView> ReadAdapter(const std::wstring& subkey);

// Every subkey that names an adapter, in enumeration order: the rows the list must show.
std::vector<AdapterView> Adapters();

// The five lines of the details box for one adapter.
std::wstring DetailsText(const AdapterView& adapter);

}  // namespace display_class
