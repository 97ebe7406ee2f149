#include "registry/held_key_tree.h"

namespace {

// Listing needs the enumeration right, the subkey count needs the query right, and the
// deletion through the handle needs DELETE: asking for all three at the open checks
// each key's own rights before anything is deleted.
constexpr uint32_t kWalkAccess = kKeyEnumerateSubKeys | kKeyQueryValue | kKeyDelete;

}  // namespace

bool HeldKeyTree::Open(RegKey root, const std::wstring& path) {
    keys_.clear();
    OpenedKey top = OwnKey(api_, 0);
    if (api_.RegOpenKeyExW(root, path, kRegOptionOpenLink, kWalkAccess, top.Put()) != kErrorSuccess) return false;
    keys_.push_back(std::move(top));
    // The list grows while it is walked: the keys of each level follow the last one.
    for (size_t j = 0; j < keys_.size(); ++j) {
        std::vector<std::wstring> names;
        if (!ListSubkeys(keys_[j].Get(), names)) return false;
        for (const std::wstring& name : names) {
            OpenedKey child = OwnKey(api_, 0);
            const RegKey parent = keys_[j].Get();
            if (api_.RegOpenKeyExW(parent, name, kRegOptionOpenLink, kWalkAccess, child.Put()) != kErrorSuccess)
                return false;
            keys_.push_back(std::move(child));
        }
    }
    return true;
}

// A key whose listing is refused, ends in an error, or yields fewer names than the key
// says it has, may have subkeys that would never be held: the tree is not complete.
bool HeldKeyTree::ListSubkeys(RegKey key, std::vector<std::wstring>& names) {
    RegKeyInfo info;
    if (api_.RegQueryInfoKeyA(key, &info) != kErrorSuccess) return false;
    for (uint32_t index = 0;; ++index) {
        wchar_t name[kMaxKeyNameLength + 1] = {};
        uint32_t length = kMaxKeyNameLength + 1;
        const int32_t rc = api_.RegEnumKeyExW(key, index, name, &length);
        if (rc == kErrorNoMoreItems) break;
        if (rc != kErrorSuccess) return false;
        names.emplace_back(name, length);
    }
    return names.size() >= info.subKeys;
}

bool HeldKeyTree::Delete(int32_t i) {
    if (i < 1 || i > Count()) return false;
    return api_.NtDeleteKey(keys_[static_cast<size_t>(i - 1)].Get()) == kStatusSuccess;
}
