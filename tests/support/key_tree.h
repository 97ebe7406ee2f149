// Removal of a scratch key tree through the registry seam, for the cases that leave
// keys behind on the real registry.
#pragma once

#include <string>

#include "registry/registry_api.h"

// Deletes path below root with every key below it, as the removal does: each key held
// by its handle and deleted through it from the deepest up, so that a link in the tree
// goes as itself and a name the code page cannot spell goes like any other. A missing
// key is no error.
void DeleteKeyTree(RegistryApi& api, RegKey root, const std::wstring& path);
inline void DeleteKeyTree(RegistryApi& api, RegKey root, const std::string& path) {
    DeleteKeyTree(api, root, api.FromAnsi(path));
}
