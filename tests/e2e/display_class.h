// The Display device class key of the real registry, read from outside the program:
// what a removal left behind.
#pragma once

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
// The same of any key below HKEY_LOCAL_MACHINE.
std::vector<std::wstring> SnapshotOf(const std::wstring& path);

}  // namespace display_class
