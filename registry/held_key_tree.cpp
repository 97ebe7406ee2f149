#include "registry/held_key_tree.h"

#include <algorithm>
#include <cwctype>

namespace {

// Listing needs the enumeration right, the subkey count needs the query right, and the
// deletion through the handle needs DELETE: asking for all three at the open checks
// each key's own rights before anything is deleted.
constexpr uint32_t kWalkAccess = kKeyEnumerateSubKeys | kKeyQueryValue | kKeyDelete;

HeldKeyTree::Hold OpenFailure(int32_t rc) {
    return rc == kErrorAccessDenied ? HeldKeyTree::Hold::Refused : HeldKeyTree::Hold::Incomplete;
}

// A name the wide open would not take as listed: an empty one opens the parent again,
// and one holding a NUL opens the key named by its part before the NUL. Both are names
// the native functions allow and the enumeration hands back whole.
bool OpensAsListed(const std::wstring& name) {
    return !name.empty() && name.find(L'\0') == std::wstring::npos;
}

std::wstring Folded(const std::wstring& name) {
    std::wstring folded = name;
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return folded;
}

// Key names are unique without regard to case; a name listed twice means the listing
// moved while it ran, and then it may have skipped another.
bool AllDistinct(const std::vector<std::wstring>& names) {
    std::vector<std::wstring> folded;
    folded.reserve(names.size());
    for (const std::wstring& name : names) folded.push_back(Folded(name));
    std::sort(folded.begin(), folded.end());
    return std::adjacent_find(folded.begin(), folded.end()) == folded.end();
}

}  // namespace

HeldKeyTree::Hold HeldKeyTree::OpenTop(RegKey root, const std::wstring& path) {
    keys_.clear();
    OpenedKey top = OwnKey(api_, 0);
    const int32_t rc = api_.RegOpenKeyExW(root, path, kRegOptionOpenLink, kWalkAccess, top.Put());
    if (rc == kErrorFileNotFound) return Hold::Gone;
    if (rc != kErrorSuccess) return OpenFailure(rc);
    keys_.push_back(std::move(top));
    return Hold::Held;
}

HeldKeyTree::Hold HeldKeyTree::OpenBelow() {
    if (keys_.empty()) return Hold::Gone;
    keys_.resize(1);
    // The list grows while it is walked: the keys of each level follow the last one.
    for (size_t j = 0; j < keys_.size(); ++j) {
        std::vector<std::wstring> names;
        const Hold listed = ListSubkeys(keys_[j].Get(), names);
        if (listed != Hold::Held) return listed;
        for (const std::wstring& name : names) {
            OpenedKey child = OwnKey(api_, 0);
            const RegKey parent = keys_[j].Get();
            const int32_t rc = api_.RegOpenKeyExW(parent, name, kRegOptionOpenLink, kWalkAccess, child.Put());
            if (rc != kErrorSuccess) return OpenFailure(rc);
            keys_.push_back(std::move(child));
        }
    }
    return Hold::Held;
}

int32_t HeldKeyTree::SubkeyCount(RegKey key, uint32_t& count) {
    RegKeyInfo info;
    const int32_t rc = api_.RegQueryInfoKeyA(key, &info);
    count = info.subKeys;
    return rc;
}

// A key whose listing is refused or ends in an error may have subkeys that would never
// be held; so may one whose listing moved while it ran (another program adding or
// deleting a subkey): its count before and after must match the names listed, and no
// name may come twice.
HeldKeyTree::Hold HeldKeyTree::ListSubkeys(RegKey key, std::vector<std::wstring>& names) {
    uint32_t before = 0;
    if (int32_t rc = SubkeyCount(key, before)) return OpenFailure(rc);
    for (uint32_t index = 0;; ++index) {
        wchar_t name[kMaxKeyNameLength + 1] = {};
        uint32_t length = kMaxKeyNameLength + 1;
        const int32_t rc = api_.RegEnumKeyExW(key, index, name, &length);
        if (rc == kErrorNoMoreItems) break;
        if (rc != kErrorSuccess) return OpenFailure(rc);
        names.emplace_back(name, std::min(length, kMaxKeyNameLength));
        if (!OpensAsListed(names.back())) return Hold::Incomplete;
    }
    uint32_t after = 0;
    if (int32_t rc = SubkeyCount(key, after)) return OpenFailure(rc);
    const bool steady = before == after && after == names.size() && AllDistinct(names);
    return steady ? Hold::Held : Hold::Incomplete;
}

HeldKeyTree::Deletion HeldKeyTree::Delete(int32_t i) {
    if (i < 1 || i > Count()) return Deletion::Failed;
    const int32_t status = api_.NtDeleteKey(keys_[static_cast<size_t>(i - 1)].Get());
    if (status == kStatusSuccess) return Deletion::Deleted;
    if (status == kStatusKeyDeleted) return Deletion::Gone;
    if (status == kStatusAccessDenied) return Deletion::Refused;
    return Deletion::Failed;
}
