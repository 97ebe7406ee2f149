#include "stand_in/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kErrorKeyDeleted = 1018;
constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);
// The platform gives up on a chain of links this long (a link naming itself, say).
constexpr int kMaxLinkDepth = 16;

// The platform compares names by their upper case in Unicode; these are the letters
// of Latin-1, Greek and Cyrillic, which covers every name the tests and the fuzzer use.
wchar_t UpperChar(wchar_t c) {
    // NOLINTNEXTLINE(bugprone-signed-char-misuse): a wchar_t, which clang-tidy 14 takes for a char
    const auto u = static_cast<uint32_t>(c);
    if (u >= 'a' && u <= 'z') return static_cast<wchar_t>(u - 0x20);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 0x20);
    if (u == 0x3C2) return static_cast<wchar_t>(0x3A3);  // final sigma
    if (u >= 0x3B1 && u <= 0x3C9) return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
    return c;
}

std::wstring Upper(const std::wstring& text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = UpperChar(c);
    return out;
}

std::string UpperAscii(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return out;
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring current;
    for (wchar_t c : path) {
        if (c == L'\\') {
            parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(current);
    // A trailing backslash is accepted and means nothing; so are doubled ones.
    parts.erase(std::remove(parts.begin(), parts.end(), std::wstring()), parts.end());
    return parts;
}

std::wstring JoinPath(const std::wstring& base, const std::wstring& name) {
    return base.empty() ? name : base + L"\\" + name;
}

std::wstring Normalise(const std::wstring& path) {
    std::wstring p = path;
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    return Upper(p);
}

bool IsRootKey(RegKey key) {
    return key == static_cast<RegKey>(kHkeyClassesRoot) || key == static_cast<RegKey>(kHkeyCurrentUser) ||
           key == static_cast<RegKey>(kHkeyLocalMachine) || key == static_cast<RegKey>(kHkeyUsers);
}

// A link's target as the platform names it: the machine's keys and the users' keys.
bool LinkRoot(const std::wstring& target, int32_t* root, std::wstring* rest) {
    const struct {
        const wchar_t* prefix;
        int32_t root;
    } roots[] = {{L"\\REGISTRY\\MACHINE", kHkeyLocalMachine}, {L"\\REGISTRY\\USER", kHkeyUsers}};
    const std::wstring upper = Upper(target);
    for (const auto& r : roots) {
        const std::wstring prefix = r.prefix;
        if (upper.compare(0, prefix.size(), prefix) != 0) continue;
        if (upper.size() > prefix.size() && upper[prefix.size()] != L'\\') continue;
        *root = r.root;
        *rest = target.substr(prefix.size());
        return true;
    }
    return false;
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

// Children and values are kept sorted by their upper-case names, the platform's
// enumeration order, so that a lookup is a binary search and an index is direct.
struct MemoryRegistry::Node {
    std::wstring name;
    std::wstring upper;
    int32_t root = 0;
    Node* parent = nullptr;  // null for a root key, and once deleted
    bool deleted = false;
    bool link = false;
    std::vector<std::shared_ptr<Node>> children;
    struct Value {
        std::wstring name;
        std::wstring upper;
        StoredValue stored;
    };
    std::vector<Value> values;

    std::vector<std::shared_ptr<Node>>::iterator ChildSlot(const std::wstring& upperName) {
        return std::lower_bound(children.begin(), children.end(), upperName,
                                [](const std::shared_ptr<Node>& c, const std::wstring& u) { return c->upper < u; });
    }
    std::shared_ptr<Node> Child(const std::wstring& childName) {
        const std::wstring u = Upper(childName);
        auto at = ChildSlot(u);
        return at != children.end() && (*at)->upper == u ? *at : nullptr;
    }
    std::shared_ptr<Node> AddChild(const std::wstring& childName) {
        auto node = std::make_shared<Node>();
        node->name = childName;
        node->upper = Upper(childName);
        node->root = root;
        node->parent = this;
        children.insert(ChildSlot(node->upper), node);
        return node;
    }
    std::vector<Value>::iterator ValueSlot(const std::wstring& upperName) {
        return std::lower_bound(values.begin(), values.end(), upperName,
                                [](const Value& v, const std::wstring& u) { return v.upper < u; });
    }
    Value* FindValue(const std::wstring& valueName) {
        const std::wstring u = Upper(valueName);
        auto at = ValueSlot(u);
        return at != values.end() && at->upper == u ? &*at : nullptr;
    }
    void PutValue(const std::wstring& valueName, StoredValue stored) {
        if (Value* existing = FindValue(valueName)) {
            existing->stored = std::move(stored);
            return;
        }
        const std::wstring u = Upper(valueName);
        values.insert(ValueSlot(u), Value{valueName, u, std::move(stored)});
    }
    bool RemoveValue(const std::wstring& valueName) {
        const std::wstring u = Upper(valueName);
        auto at = ValueSlot(u);
        if (at == values.end() || at->upper != u) return false;
        values.erase(at);
        return true;
    }
    // A link's target, from its REG_LINK value: UTF-16 without a terminator.
    std::wstring LinkTarget() const {
        const std::wstring u = Upper(L"SymbolicLinkValue");
        for (const Value& value : values) {
            if (value.upper != u || value.stored.type != static_cast<uint32_t>(kRegLink)) continue;
            const std::vector<uint8_t>& bytes = value.stored.data;
            std::wstring target;
            for (size_t i = 0; i + 1 < bytes.size(); i += 2)
                target.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
            return target;
        }
        return {};
    }
};

MemoryRegistry::MemoryRegistry() {
    for (int32_t root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers}) {
        roots_[root] = std::make_shared<Node>();
        roots_[root]->root = root;
    }
}

MemoryRegistry::~MemoryRegistry() = default;

// ---- resolving keys and checking injected failures ----

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Resolve(RegKey key, int32_t* error) const {
    *error = kErrorSuccess;
    if (IsRootKey(key)) return roots_.at(static_cast<int32_t>(key));
    auto it = handles_.find(key);
    if (it == handles_.end()) {
        *error = kErrorInvalidHandle;
        return nullptr;
    }
    if (it->second.node->deleted) {
        *error = kErrorKeyDeleted;
        return nullptr;
    }
    return it->second.node;
}

int32_t MemoryRegistry::Walk(const std::shared_ptr<Node>& from, const std::wstring& relative, WalkMode mode,
                             std::shared_ptr<Node>* out, int depth) {
    if (!relative.empty() && relative.front() == L'\\') return kErrorBadPathname;
    std::shared_ptr<Node> node = from;
    const std::vector<std::wstring> parts = SplitPath(relative);
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        std::shared_ptr<Node> next = node->Child(parts[i]);
        if (!next) {
            if (!mode.create) return kErrorFileNotFound;
            next = node->AddChild(parts[i]);
            next->link = last && mode.lastAsLink;
        }
        // A link on the way leads to its target; the last key is the link itself only
        // when asked for as such.
        if (next->link && !(last && mode.lastAsLink)) {
            if (int32_t rc = FollowLink(*next, &next, depth + 1)) return rc;
        }
        node = next;
    }
    *out = node;
    return kErrorSuccess;
}

int32_t MemoryRegistry::FollowLink(const Node& link, std::shared_ptr<Node>* out, int depth) {
    if (depth > kMaxLinkDepth) return kErrorFileNotFound;
    int32_t root = 0;
    std::wstring rest;
    if (!LinkRoot(link.LinkTarget(), &root, &rest)) return kErrorFileNotFound;
    while (!rest.empty() && rest.front() == L'\\') rest.erase(0, 1);
    return Walk(roots_.at(root), rest, WalkMode{}, out, depth);
}

int32_t MemoryRegistry::Target(RegKey key, Op op, std::shared_ptr<Node>* node) {
    int32_t error = 0;
    *node = Resolve(key, &error);
    if (!*node) return error;
    return Check(op, **node);
}

int32_t MemoryRegistry::Check(Op op, const Node& node, uint32_t access) {
    return CheckPath(op, node.root, PathOf(node), access);
}

int32_t MemoryRegistry::CheckPath(Op op, int32_t root, const std::wstring& path, uint32_t access) {
    for (auto& failure : callFailures_) {
        if (failure.op != op || failure.remaining <= 0) continue;
        if (--failure.remaining == 0) return failure.code;
    }
    const std::wstring normalised = Normalise(path);
    for (const Rule& rule : rules_) {
        if (rule.op != op || rule.root != root || rule.path != normalised) continue;
        if (rule.access != 0 && (rule.access & access) == 0) continue;
        if (rule.throws) throw std::bad_alloc();
        return rule.code;
    }
    return kErrorSuccess;
}

std::wstring MemoryRegistry::PathOf(const Node& node) const {
    // Collected from the key up, then joined from the root down.
    std::vector<const std::wstring*> names;
    for (const Node* n = &node; n->parent; n = n->parent) names.push_back(&n->name);
    std::wstring path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.empty()) path += L'\\';
        path += **it;
    }
    return path;
}

// A path below the key it starts from, as written (trailing backslashes dropped).
std::wstring MemoryRegistry::WrittenPath(const Node& from, const std::wstring& relative) const {
    std::wstring rel = relative;
    while (!rel.empty() && rel.back() == L'\\') rel.pop_back();
    std::wstring path = PathOf(from);
    if (!path.empty() && !rel.empty()) path += L'\\';
    path += rel;
    return path;
}

RegKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, uint32_t access) {
    const RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = Handle{std::move(node), access};
    return handle;
}

// ---- the platform's functions ----

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
    return Open(key, subKey, options, access, result);
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

int32_t MemoryRegistry::RegCloseKey(RegKey key) {
    if (IsRootKey(key)) return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

int32_t MemoryRegistry::RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                         uint32_t* size) {
    const int32_t rc = QueryValue(key, valueName, type, data, size);
    if (afterQueryValue_) {
        // A copy, so that the hook may replace or end itself.
        const std::function<void(int)> hook = afterQueryValue_;
        hook(++queryValueCalls_);
    }
    return rc;
}

int32_t MemoryRegistry::QueryValue(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                   uint32_t* size) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::QueryValue, &node)) return rc;
    Node::Value* value = node->FindValue(Read(valueName));
    if (!value) return kErrorFileNotFound;
    const auto& stored = value->stored;
    const auto storedSize = static_cast<uint32_t>(stored.data.size());
    if (type) *type = stored.type;
    if (!size) return data ? kErrorInvalidParameter : kErrorSuccess;
    if (data && *size < storedSize) {
        *size = storedSize;
        return kErrorMoreData;
    }
    if (data && storedSize > 0) std::memcpy(data, stored.data.data(), storedSize);
    *size = storedSize;
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                       uint32_t size) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::SetValue, &node)) return rc;
    if (!data && size > 0) return kErrorInvalidParameter;
    StoredValue stored{type, std::vector<uint8_t>(data, data + size)};
    node->PutValue(Read(valueName), std::move(stored));
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

int32_t MemoryRegistry::RegDeleteValueA(RegKey key, const std::string& valueName) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::DeleteValue, &node)) return rc;
    return node->RemoveValue(Read(valueName)) ? kErrorSuccess : kErrorFileNotFound;
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

int32_t MemoryRegistry::RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::EnumValue, &node)) return rc;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const std::string valueName = Spell(node->values[index].name);
    if (valueName.size() + 1 > *nameLength) return kErrorMoreData;
    std::memcpy(name, valueName.c_str(), valueName.size() + 1);
    *nameLength = static_cast<uint32_t>(valueName.size());
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) {
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

uint32_t MemoryRegistry::ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) {
    if (beforeExpand_) {
        // A copy: the hook may replace itself.
        const std::function<void(int)> hook = beforeExpand_;
        hook(++expandCalls_);
    }
    if (CheckPath(Op::Expand, 0, L"", 0) != kErrorSuccess) return 0;
    std::string out;
    for (size_t i = 0; i < source.size(); ++i) {
        const size_t close = source[i] == '%' ? source.find('%', i + 1) : std::string::npos;
        if (close != std::string::npos) {
            auto it = environment_.find(UpperAscii(source.substr(i + 1, close - i - 1)));
            if (it != environment_.end()) {
                out += it->second;
                i = close;
                continue;
            }
        }
        out.push_back(source[i]);
    }
    // The size of the text with its terminator (and, told so, the spare byte) answers a
    // size query and a buffer too small. The single-byte function wants one byte more
    // than the text and its terminator: a buffer of exactly that size gets nothing.
    const auto needed = static_cast<uint32_t>(out.size() + 1);
    const uint32_t answer = expandCountsSpareByte_ ? needed + 1 : needed;
    if (destination && size >= needed + 1) {
        std::memcpy(destination, out.c_str(), needed);
        return needed;
    }
    return answer;
}

// ---- code pages ----

std::string MemoryRegistry::ToAnsi(const std::wstring& text) {
    return Spell(text);
}

std::wstring MemoryRegistry::FromAnsi(const std::string& text) {
    return Read(text);
}

std::string MemoryRegistry::Spell(const std::wstring& text) const {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        // NOLINTNEXTLINE(bugprone-signed-char-misuse): a wchar_t, which clang-tidy 14 takes for a char
        const auto c = static_cast<uint32_t>(wc);
        if (codePage_ == CodePage::Latin1) {
            out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c - 0x80 < 0x7E * 0xBF) {
            out.push_back(static_cast<char>(0x81 + (c - 0x80) / 0xBF));
            out.push_back(static_cast<char>(0x40 + (c - 0x80) % 0xBF));
        } else {
            out.push_back('?');
        }
    }
    return out;
}

std::wstring MemoryRegistry::Read(const std::string& text) const {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (codePage_ == CodePage::Latin1 || c < 0x80) {
            out.push_back(static_cast<wchar_t>(c));
        } else if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[++i]);
            out.push_back(static_cast<wchar_t>(0x80 + (c - 0x81) * 0xBF + (trail - 0x40)));
        } else {
            out.push_back(L'?');
        }
    }
    return out;
}

std::wstring MemoryRegistry::ExecutableBaseName() {
    return exeName_;
}

// ---- seeding, inspection, failure injection ----

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(int32_t root, const std::wstring& path) const {
    std::shared_ptr<Node> node = roots_.at(root);
    for (const auto& part : SplitPath(path)) {
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::FindOrCreate(int32_t root, const std::wstring& path) {
    std::shared_ptr<Node> node = roots_.at(root);
    for (const auto& part : SplitPath(path)) {
        auto next = node->Child(part);
        node = next ? next : node->AddChild(part);
    }
    return node;
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

void MemoryRegistry::SetValue(int32_t root, const std::string& path, const std::string& name, uint32_t type,
                              std::vector<uint8_t> data) {
    FindOrCreate(root, Read(path))->PutValue(Read(name), StoredValue{type, std::move(data)});
}

void MemoryRegistry::SetString(int32_t root, const std::string& path, const std::string& name, const std::string& text,
                               uint32_t type) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(root, path, name, type, std::move(data));
}

void MemoryRegistry::SetDword(int32_t root, const std::string& path, const std::string& name, uint32_t value) {
    std::vector<uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    SetValue(root, path, name, 4, std::move(data));
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

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::GetValue(int32_t root, const std::string& path,
                                                                    const std::string& name) const {
    auto node = Find(root, Read(path));
    if (!node) return std::nullopt;
    Node::Value* value = node->FindValue(Read(name));
    if (!value) return std::nullopt;
    return value->stored;
}

std::vector<std::string> MemoryRegistry::SubkeyNames(int32_t root, const std::string& path) const {
    std::vector<std::string> names;
    if (auto node = Find(root, Read(path)))
        for (const auto& c : node->children) names.push_back(Spell(c->name));
    return names;
}

std::vector<std::pair<std::string, MemoryRegistry::StoredValue>> MemoryRegistry::Values(int32_t root,
                                                                                        const std::string& path) const {
    return Values(root, Read(path));
}

std::vector<std::pair<std::string, MemoryRegistry::StoredValue>> MemoryRegistry::Values(
    int32_t root, const std::wstring& path) const {
    std::vector<std::pair<std::string, StoredValue>> out;
    if (auto node = Find(root, path))
        for (const auto& v : node->values) out.emplace_back(Spell(v.name), v.stored);
    return out;
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

void MemoryRegistry::Refuse(Op op, int32_t root, const std::string& path, int32_t code, uint32_t access) {
    rules_.push_back(Rule{op, root, Normalise(Read(path)), code, access, false});
}

void MemoryRegistry::ThrowOn(Op op, int32_t root, const std::string& path) {
    rules_.push_back(Rule{op, root, Normalise(Read(path)), 0, 0, true});
}

void MemoryRegistry::FailCall(Op op, int n, int32_t code) {
    callFailures_.push_back(CallFailure{op, n, code});
}

void MemoryRegistry::ClearFailures() {
    rules_.clear();
    callFailures_.clear();
}

void MemoryRegistry::BeforeExpand(std::function<void(int call)> hook) {
    beforeExpand_ = std::move(hook);
    expandCalls_ = 0;
}

void MemoryRegistry::AfterQueryValue(std::function<void(int call)> hook) {
    afterQueryValue_ = std::move(hook);
    queryValueCalls_ = 0;
}

void MemoryRegistry::SetEnvironment(const std::string& name, const std::string& value) {
    environment_[UpperAscii(name)] = value;
}
