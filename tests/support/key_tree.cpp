#include "tests/support/key_tree.h"

#include "registry/held_key_tree.h"

void DeleteKeyTree(RegistryApi& api, RegKey root, const std::wstring& path) {
    HeldKeyTree tree(api);
    if (!tree.Open(root, path)) return;
    for (int32_t i = tree.Count(); i >= 1; --i) tree.Delete(i);
}
