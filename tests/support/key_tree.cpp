#include "tests/support/key_tree.h"

#include <vector>

namespace {

std::vector<std::string> SubkeyNames(RegistryApi& api, RegKey root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key = 0;
    if (api.RegOpenKeyExA(root, path, 0, kKeyEnumerateSubKeys, &key) != kErrorSuccess) return names;
    const OpenedKey opened = OwnKey(api, key);
    // Room for a 255-character name even where each character takes two bytes.
    char name[600];
    for (uint32_t i = 0; api.RegEnumKeyA(opened.Get(), i, name, sizeof name) == kErrorSuccess; ++i)
        names.emplace_back(name);
    return names;
}

}  // namespace

void DeleteKeyTree(RegistryApi& api, RegKey root, const std::string& path) {
    for (const std::string& child : SubkeyNames(api, root, path)) DeleteKeyTree(api, root, path + "\\" + child);
    api.RegDeleteKeyA(root, path);
}
