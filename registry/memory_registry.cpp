#include "registry/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kErrorKeyDeleted = 1018;

unsigned char UpperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    // Latin-1 letters, as the platform's Unicode case mapping folds them.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    return c;
}

std::string Upper(const std::string& text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(current);
    // A trailing backslash is accepted and means nothing.
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    return parts;
}

std::string JoinPath(const std::string& base, const std::string& relative) {
    std::string rel = relative;
    while (!rel.empty() && rel.back() == '\\') rel.pop_back();
    if (base.empty()) return rel;
    if (rel.empty()) return base;
    return base + "\\" + rel;
}

std::string Normalise(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    return Upper(p);
}

bool IsRootKey(RegKey key) {
    return key == static_cast<RegKey>(kHkeyClassesRoot) || key == static_cast<RegKey>(kHkeyCurrentUser) ||
           key == static_cast<RegKey>(kHkeyLocalMachine) || key == static_cast<RegKey>(kHkeyUsers);
}

}  // namespace

// Children and values are kept sorted by their upper-case names, the platform's
// enumeration order, so that a lookup is a binary search and an index is direct.
struct MemoryRegistry::Node {
    std::string name;
    std::string upper;
    bool deleted = false;
    std::vector<std::shared_ptr<Node>> children;
    struct Value {
        std::string name;
        std::string upper;
        StoredValue stored;
    };
    std::vector<Value> values;

    std::vector<std::shared_ptr<Node>>::iterator ChildSlot(const std::string& upperName) {
        return std::lower_bound(children.begin(), children.end(), upperName,
                                [](const std::shared_ptr<Node>& c, const std::string& u) { return c->upper < u; });
    }
    std::shared_ptr<Node> Child(const std::string& childName) {
        const std::string u = Upper(childName);
        auto at = ChildSlot(u);
        return at != children.end() && (*at)->upper == u ? *at : nullptr;
    }
    std::shared_ptr<Node> AddChild(const std::string& childName) {
        auto node = std::make_shared<Node>();
        node->name = childName;
        node->upper = Upper(childName);
        children.insert(ChildSlot(node->upper), node);
        return node;
    }
    std::vector<Value>::iterator ValueSlot(const std::string& upperName) {
        return std::lower_bound(values.begin(), values.end(), upperName,
                                [](const Value& v, const std::string& u) { return v.upper < u; });
    }
    Value* FindValue(const std::string& valueName) {
        const std::string u = Upper(valueName);
        auto at = ValueSlot(u);
        return at != values.end() && at->upper == u ? &*at : nullptr;
    }
    void PutValue(const std::string& valueName, StoredValue stored) {
        if (Value* existing = FindValue(valueName)) {
            existing->stored = std::move(stored);
            return;
        }
        const std::string u = Upper(valueName);
        values.insert(ValueSlot(u), Value{valueName, u, std::move(stored)});
    }
    bool RemoveValue(const std::string& valueName) {
        const std::string u = Upper(valueName);
        auto at = ValueSlot(u);
        if (at == values.end() || at->upper != u) return false;
        values.erase(at);
        return true;
    }
};

MemoryRegistry::MemoryRegistry() {
    for (int32_t root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers})
        roots_[root] = std::make_shared<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

// ---- resolving keys and checking injected failures ----

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Resolve(RegKey key, std::string* fullPath, int32_t* root,
                                                              int32_t* error) const {
    *error = kErrorSuccess;
    if (IsRootKey(key)) {
        *root = static_cast<int32_t>(key);
        fullPath->clear();
        return roots_.at(*root);
    }
    auto it = handles_.find(key);
    if (it == handles_.end()) {
        *error = kErrorInvalidHandle;
        return nullptr;
    }
    if (it->second.node->deleted) {
        *error = kErrorKeyDeleted;
        return nullptr;
    }
    *root = it->second.root;
    *fullPath = it->second.path;
    return it->second.node;
}

int32_t MemoryRegistry::Walk(const std::shared_ptr<Node>& from, const std::string& relative, bool create,
                             std::shared_ptr<Node>* out) {
    if (!relative.empty() && relative.front() == '\\') return kErrorBadPathname;
    std::shared_ptr<Node> node = from;
    if (relative.empty()) {
        *out = node;
        return kErrorSuccess;
    }
    for (const std::string& part : SplitPath(relative)) {
        if (part.empty()) continue;  // the platform passes over doubled backslashes
        std::shared_ptr<Node> next = node->Child(part);
        if (!next) {
            if (!create) return kErrorFileNotFound;
            next = node->AddChild(part);
        }
        node = next;
    }
    *out = node;
    return kErrorSuccess;
}

int32_t MemoryRegistry::Below(RegKey key, const std::string& subKey, std::shared_ptr<Node>* from, std::string* path,
                              int32_t* root) {
    std::string base;
    int32_t error = 0;
    *from = Resolve(key, &base, root, &error);
    if (!*from) return error;
    *path = JoinPath(base, subKey);
    return kErrorSuccess;
}

int32_t MemoryRegistry::Target(RegKey key, Op op, std::shared_ptr<Node>* node) {
    std::string path;
    int32_t root = 0;
    int32_t error = 0;
    *node = Resolve(key, &path, &root, &error);
    if (!*node) return error;
    return Check(op, root, path);
}

int32_t MemoryRegistry::Check(Op op, int32_t root, const std::string& path, uint32_t access) {
    for (auto& failure : callFailures_) {
        if (failure.op != op || failure.remaining <= 0) continue;
        if (--failure.remaining == 0) return failure.code;
    }
    const std::string normalised = Normalise(path);
    for (const Rule& rule : rules_) {
        if (rule.op != op || rule.root != root || rule.path != normalised) continue;
        if (rule.access != 0 && (rule.access & access) == 0) continue;
        if (rule.throws) throw std::bad_alloc();
        return rule.code;
    }
    return kErrorSuccess;
}

RegKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, int32_t root, const std::string& path) {
    const RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = Handle{std::move(node), root, path};
    return handle;
}

// ---- the platform's functions ----

int32_t MemoryRegistry::RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t, uint32_t access,
                                      RegKey* result) {
    std::shared_ptr<Node> from;
    std::string path;
    int32_t root = 0;
    if (int32_t rc = Below(key, subKey, &from, &path, &root)) return rc;
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, subKey, false, &node)) return rc;
    if (int32_t rc = Check(Op::Open, root, path, access)) return rc;
    *result = NewHandle(node, root, path);
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t,
                                        uint32_t access, RegKey* result, uint32_t* disposition) {
    if (reserved != 0) return kErrorInvalidParameter;
    std::shared_ptr<Node> from;
    std::string path;
    int32_t root = 0;
    if (int32_t rc = Below(key, subKey, &from, &path, &root)) return rc;
    if (int32_t rc = Check(Op::Create, root, path, access)) return rc;
    std::shared_ptr<Node> existing;
    const bool existed = Walk(from, subKey, false, &existing) == kErrorSuccess;
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, subKey, true, &node)) return rc;
    if (disposition) *disposition = existed ? 2u : 1u;  // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
    *result = NewHandle(node, root, path);
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
    Node::Value* value = node->FindValue(valueName);
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
    node->PutValue(valueName, std::move(stored));
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
    std::shared_ptr<Node> from;
    std::string path;
    int32_t root = 0;
    if (int32_t rc = Below(key, subKey, &from, &path, &root)) return rc;
    const int32_t rc = DeleteKeyAt(from, subKey, root, path);
    deleteLog_.push_back({path, rc});
    return rc;
}

int32_t MemoryRegistry::DeleteKeyAt(const std::shared_ptr<Node>& from, const std::string& subKey, int32_t root,
                                    const std::string& path) {
    if (subKey.empty()) return kErrorAccessDenied;  // no deleting a root through an empty name
    std::shared_ptr<Node> node;
    if (int32_t rc = Walk(from, subKey, false, &node)) return rc;
    if (int32_t rc = Check(Op::DeleteKey, root, path)) return rc;
    // The platform opens a key with the DELETE right to delete it, so a key that refuses
    // that right cannot be deleted either.
    const std::string normalised = Normalise(path);
    for (const Rule& rule : rules_) {
        if (rule.op == Op::Open && rule.root == root && rule.path == normalised && (rule.access & kKeyDelete) != 0)
            return rule.code;
    }
    // The platform refuses a key that still has subkeys.
    if (!node->children.empty()) return kErrorAccessDenied;
    auto parts = SplitPath(subKey);
    parts.pop_back();
    std::shared_ptr<Node> parent = from;
    for (const auto& part : parts)
        if (!part.empty()) parent = parent->Child(part);
    auto& siblings = parent->children;
    siblings.erase(parent->ChildSlot(node->upper));
    node->deleted = true;
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegDeleteValueA(RegKey key, const std::string& valueName) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::DeleteValue, &node)) return rc;
    return node->RemoveValue(valueName) ? kErrorSuccess : kErrorFileNotFound;
}

int32_t MemoryRegistry::RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::EnumKey, &node)) return rc;
    if (index >= node->children.size()) return kErrorNoMoreItems;
    const std::string& child = node->children[index]->name;
    if (child.size() + 1 > nameLength) return kErrorMoreData;
    std::memcpy(name, child.c_str(), child.size() + 1);
    return kErrorSuccess;
}

int32_t MemoryRegistry::RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::EnumValue, &node)) return rc;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const std::string& valueName = node->values[index].name;
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
        out.maxSubKeyLen = std::max<uint32_t>(out.maxSubKeyLen, static_cast<uint32_t>(FromAnsi(c->name).size()));
    out.values = static_cast<uint32_t>(node->values.size());
    for (const auto& v : node->values) {
        out.maxValueNameLen = std::max<uint32_t>(out.maxValueNameLen, static_cast<uint32_t>(FromAnsi(v.name).size()));
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
    if (Check(Op::Expand, 0, "") != kErrorSuccess) return 0;
    std::string out;
    for (size_t i = 0; i < source.size(); ++i) {
        const size_t close = source[i] == '%' ? source.find('%', i + 1) : std::string::npos;
        if (close != std::string::npos) {
            auto it = environment_.find(Upper(source.substr(i + 1, close - i - 1)));
            if (it != environment_.end()) {
                out += it->second;
                i = close;
                continue;
            }
        }
        out.push_back(source[i]);
    }
    // The size of the text with its terminator, as the answer to a size query and to
    // a buffer too small. The single-byte function wants one byte more than that: a
    // buffer of exactly that size gets nothing.
    const auto needed = static_cast<uint32_t>(out.size() + 1);
    if (destination && size >= needed + 1) std::memcpy(destination, out.c_str(), needed);
    return needed;
}

// ---- code pages ----

std::string MemoryRegistry::ToAnsi(const std::wstring& text) {
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

std::wstring MemoryRegistry::FromAnsi(const std::string& text) {
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

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(int32_t root, const std::string& path) const {
    std::shared_ptr<Node> node = roots_.at(root);
    if (path.empty()) return node;
    for (const auto& part : SplitPath(path)) {
        if (part.empty()) continue;
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::FindOrCreate(int32_t root, const std::string& path) {
    std::shared_ptr<Node> node = roots_.at(root);
    if (path.empty()) return node;
    for (const auto& part : SplitPath(path)) {
        if (part.empty()) continue;
        auto next = node->Child(part);
        node = next ? next : node->AddChild(part);
    }
    return node;
}

void MemoryRegistry::AddKey(int32_t root, const std::string& path) {
    FindOrCreate(root, path);
}

void MemoryRegistry::SetValue(int32_t root, const std::string& path, const std::string& name, uint32_t type,
                              std::vector<uint8_t> data) {
    FindOrCreate(root, path)->PutValue(name, StoredValue{type, std::move(data)});
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
    std::vector<std::string> parts = SplitPath(path);
    const std::string leaf = parts.back();
    parts.pop_back();
    std::shared_ptr<Node> parent = roots_.at(root);
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        parent = parent->Child(part);
        if (!parent) return;
    }
    const std::shared_ptr<Node> node = parent->Child(leaf);
    if (!node) return;
    parent->children.erase(parent->ChildSlot(node->upper));
    std::vector<std::shared_ptr<Node>> gone{node};
    while (!gone.empty()) {
        const std::shared_ptr<Node> next = gone.back();
        gone.pop_back();
        next->deleted = true;
        gone.insert(gone.end(), next->children.begin(), next->children.end());
    }
}

bool MemoryRegistry::HasKey(int32_t root, const std::string& path) const {
    return Find(root, path) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::GetValue(int32_t root, const std::string& path,
                                                                    const std::string& name) const {
    auto node = Find(root, path);
    if (!node) return std::nullopt;
    Node::Value* value = node->FindValue(name);
    if (!value) return std::nullopt;
    return value->stored;
}

std::vector<std::string> MemoryRegistry::SubkeyNames(int32_t root, const std::string& path) const {
    std::vector<std::string> names;
    if (auto node = Find(root, path))
        for (const auto& c : node->children) names.push_back(c->name);
    return names;
}

std::vector<std::pair<std::string, MemoryRegistry::StoredValue>> MemoryRegistry::Values(int32_t root,
                                                                                        const std::string& path) const {
    std::vector<std::pair<std::string, StoredValue>> out;
    if (auto node = Find(root, path))
        for (const auto& v : node->values) out.emplace_back(v.name, v.stored);
    return out;
}

std::vector<std::string> MemoryRegistry::AllKeys(int32_t root) const {
    std::vector<std::string> out;
    struct Frame {
        std::shared_ptr<Node> node;
        std::string path;
    };
    std::vector<Frame> stack{{roots_.at(root), ""}};
    while (!stack.empty()) {
        Frame frame = stack.back();
        stack.pop_back();
        if (!frame.path.empty()) out.push_back(frame.path);
        for (auto it = frame.node->children.rbegin(); it != frame.node->children.rend(); ++it)
            stack.push_back({*it, JoinPath(frame.path, (*it)->name)});
    }
    return out;
}

void MemoryRegistry::Refuse(Op op, int32_t root, const std::string& path, int32_t code, uint32_t access) {
    rules_.push_back(Rule{op, root, Normalise(path), code, access, false});
}

void MemoryRegistry::ThrowOn(Op op, int32_t root, const std::string& path) {
    rules_.push_back(Rule{op, root, Normalise(path), 0, 0, true});
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
    environment_[Upper(name)] = value;
}
