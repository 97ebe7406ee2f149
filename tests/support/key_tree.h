// Removal of a scratch key tree through the registry seam, for the cases that leave
// keys behind on the real registry.
#pragma once

#include <string>

#include "registry/registry_api.h"

// Deletes path below root with every key below it, from the deepest up, as the
// platform refuses a key that still has subkeys. A missing key is no error.
void DeleteKeyTree(RegistryApi& api, RegKey root, const std::string& path);
