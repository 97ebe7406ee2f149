#include "stand_in/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "stand_in/memory_registry_internal.h"

// Keys and links: the platform's functions on keys, and the seeding and inspection of
// keys outside them.

namespace {

using memory_registry::kErrorKeyDeleted;
using memory_registry::Normalise;

constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);

std::wstring JoinPath(const std::wstring& base, const std::wstring& name) {
    return base.empty() ? name : base + L"\\" + name;
}

// The platform's status for a refused operation on an open key.
int32_t AsStatus(int32_t error) {
    if (error == kErrorSuccess) return kStatusSuccess;
    if (error == kErrorAccessDenied) return kStatusAccessDenied;
    if (error == kErrorKeyDeleted) return kStatusKeyDeleted;
    if (error == kErrorInvalidHandle) return kStatusInvalidHandle;
    return kStatusUnsuccessful;
}

}  // namespace

int32_t MemoryRegistry::Open(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                             RegKey* result) {
    int32_t error = 0;
    const std::shared_ptr<Node> from = Resolve(key, &error);
    if (!from) return error;
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, subKey, WalkMode{false, (options & kRegOptionOpenLink) != 0}, &node)) return rc;
    if (int32_t rc = Check(Op::Open, *node, access)) return rc;
    *result = NewHandle(node, access);
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t options, uint32_t access,
                                      RegKey* result) {
    return Open(key, Read(subKey), options, access, result);
}

int32_t MemoryRegistry::RegOpenKeyExW(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                                      RegKey* result) {
    // The W function takes a terminated string: a counted name holding a NUL is read up
    // to it, and an empty one opens the key itself again.
    return Open(key, subKey.substr(0, subKey.find(L'\0')), options, access, result);
}

int32_t MemoryRegistry::RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t options,
                                        uint32_t access, RegKey* result, uint32_t* disposition) {
    if (reserved != 0) return kErrorInvalidParameter;
    int32_t error = 0;
    const std::shared_ptr<Node> from = Resolve(key, &error);
    if (!from) return error;
    const std::wstring wide = Read(subKey);
    const WalkMode mode{true, (options & kRegOptionCreateLink) != 0};
    // Refusals name the key as its path is written, below the key it starts from.
    if (int32_t rc = CheckPath(Op::Create, from->root, WrittenPath(*from, wide), access)) return rc;
    std::shared_ptr<Node> existing;
    const bool existed = Walk(from, wide, WalkMode{false, mode.lastAsLink}, &existing) == kErrorSuccess;
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, wide, mode, &node)) return rc;
    if (disposition) *disposition = existed ? 2u : 1u;  // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
    *result = NewHandle(node, access);
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
    int32_t error = 0;
    const std::shared_ptr<Node> from = Resolve(key, &error);
    if (!from) return error;
    const int32_t rc = DeleteKeyAt(from, subKey);
    deleteLog_.push_back({Spell(WrittenPath(*from, Read(subKey))), rc});
    return rc;
}

int32_t MemoryRegistry::DeleteKeyAt(const std::shared_ptr<Node>& from, const std::string& subKey) {
    if (subKey.empty()) return kErrorAccessDenied;  // no deleting a root through an empty name
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, Read(subKey), WalkMode{}, &node)) return rc;
    if (int32_t rc = Check(Op::DeleteKey, *node)) return rc;
    // The platform opens a key with the DELETE right to delete it, so a key that refuses
    // that right cannot be deleted either.
    const std::wstring normalised = Normalise(PathOf(*node));
    for (const Rule& rule : rules_) {
        if (rule.op == Op::Open && rule.root == node->root && rule.path == normalised &&
            (rule.access & kKeyDelete) != 0)
            return rule.code;
    }
    // The platform refuses a key that still has subkeys.
    if (!node->children.empty()) return kErrorAccessDenied;
    Unlink(node);
    return kErrorSuccess;
}

int32_t MemoryRegistry::NtDeleteKey(RegKey key) {
    auto it = handles_.find(key);
    if (it == handles_.end()) return kStatusInvalidHandle;
    const std::shared_ptr<Node> node = it->second.node;
    const std::string path = Spell(PathOf(*node));
    int32_t status = kStatusSuccess;
    if (node->deleted) {
        status = kStatusKeyDeleted;
    } else if (int32_t rc = Check(Op::DeleteKey, *node)) {
        status = AsStatus(rc);
    } else if ((it->second.access & kKeyDelete) == 0 || !node->children.empty()) {
        // A handle not opened for deletion, or a key that still has subkeys (as Wine answers).
        status = kStatusAccessDenied;
    } else {
        Unlink(node);
    }
    deleteLog_.push_back({path, status});
    return status;
}

void MemoryRegistry::Unlink(const std::shared_ptr<Node>& node) {
    Node* parent = node->parent;
    parent->children.erase(parent->ChildSlot(node->upper));
    node->parent = nullptr;
    node->deleted = true;
}

int32_t MemoryRegistry::RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::EnumKey, &node)) return rc;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    const std::string child = Spell(node->children[index]->name);
    if (child.size() + 1 > nameLength) return kErrorMoreData;
    std::memcpy(name, child.c_str(), child.size() + 1);
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegEnumKeyExW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) {
    const int32_t rc = EnumKeyW(key, index, name, nameLength);
    if (afterEnumKey_) {
        // A copy, so that the hook may replace or end itself.
        const std::function<void(int)> hook = afterEnumKey_;
        hook(++enumKeyCalls_);
    }
    return rc;
}

void MemoryRegistry::AfterEnumKey(std::function<void(int call)> hook) {
    afterEnumKey_ = std::move(hook);
    enumKeyCalls_ = 0;
}

int32_t MemoryRegistry::EnumKeyW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) {
    auto it = handles_.find(key);
    if (it != handles_.end() && (it->second.access & kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::EnumKey, &node)) return rc;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    const std::wstring& child = node->children[index]->name;
    if (child.size() + 1 > *nameLength) return kErrorMoreData;
    std::copy(child.begin(), child.end(), name);
    name[child.size()] = L'\0';
    *nameLength = static_cast<uint32_t>(child.size());
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) {
    // The handle must have been opened with KEY_QUERY_VALUE.
    auto it = handles_.find(key);
    if (it != handles_.end() && (it->second.access & kKeyQueryValue) == 0) return kErrorAccessDenied;
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::QueryInfo, &node)) return rc;
    RegKeyInfo out;
    out.subKeys = static_cast<uint32_t>(node->children.size());
    for (const auto& c : node->children)
        out.maxSubKeyLen = std::max<uint32_t>(out.maxSubKeyLen, static_cast<uint32_t>(c->name.size()));
    out.values = static_cast<uint32_t>(node->values.size());
    for (const auto& v : node->values) {
        out.maxValueNameLen = std::max<uint32_t>(out.maxValueNameLen, static_cast<uint32_t>(v.name.size()));
        out.maxValueLen = std::max<uint32_t>(out.maxValueLen, static_cast<uint32_t>(v.stored.data.size()));
    }
    *info = out;
    return kErrorSuccess;
}

void MemoryRegistry::AddKey(int32_t root, const std::string& path) {
    FindOrCreate(root, Read(path));
}

void MemoryRegistry::AddKey(int32_t root, const std::wstring& path) {
    FindOrCreate(root, path);
}

void MemoryRegistry::AddLink(int32_t root, const std::wstring& path, const std::wstring& target) {
    const std::shared_ptr<Node> node = FindOrCreate(root, path);
    node->link = true;
    std::vector<uint8_t> data;
    for (wchar_t c : target) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    node->PutValue(L"SymbolicLinkValue", StoredValue{static_cast<uint32_t>(kRegLink), std::move(data)});
}

void MemoryRegistry::RemoveTree(int32_t root, const std::string& path) {
    const std::shared_ptr<Node> node = Find(root, Read(path));
    if (!node || !node->parent) return;
    std::vector<std::shared_ptr<Node>> gone{node};
    Unlink(node);
    while (!gone.empty()) {
        const std::shared_ptr<Node> next = gone.back();
        gone.pop_back();
        next->deleted = true;
        for (const auto& child : next->children) {
            child->parent = nullptr;
            gone.push_back(child);
        }
    }
}

bool MemoryRegistry::HasKey(int32_t root, const std::string& path) const {
    return Find(root, Read(path)) != nullptr;
}

bool MemoryRegistry::HasKey(int32_t root, const std::wstring& path) const {
    return Find(root, path) != nullptr;
}

std::vector<std::string> MemoryRegistry::SubkeyNames(int32_t root, const std::string& path) const {
    std::vector<std::string> names;
    if (auto node = Find(root, Read(path)))
        for (const auto& c : node->children) names.push_back(Spell(c->name));
    return names;
}

std::vector<std::wstring> MemoryRegistry::AllKeysWide(int32_t root) const {
    std::vector<std::wstring> out;
    struct Frame {
        std::shared_ptr<Node> node;
        std::wstring path;
    };
    std::vector<Frame> stack{{roots_.at(root), L""}};
    while (!stack.empty()) {
        Frame frame = stack.back();
        stack.pop_back();
        if (!frame.path.empty()) out.push_back(frame.path);
        for (auto it = frame.node->children.rbegin(); it != frame.node->children.rend(); ++it)
            stack.push_back({*it, JoinPath(frame.path, (*it)->name)});
    }
    return out;
}

std::vector<std::string> MemoryRegistry::AllKeys(int32_t root) const {
    std::vector<std::string> out;
    for (const std::wstring& path : AllKeysWide(root)) out.push_back(Spell(path));
    return out;
}
