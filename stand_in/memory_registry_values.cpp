#include "stand_in/memory_registry.h"

#include <cstring>

#include "stand_in/memory_registry_internal.h"

// Values: the platform's functions on values, and the seeding and inspection of values
// outside them.

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

int32_t MemoryRegistry::RegDeleteValueA(RegKey key, const std::string& valueName) {
    std::shared_ptr<Node> node;
    if (int32_t rc = Target(key, Op::DeleteValue, &node)) return rc;
    return node->RemoveValue(Read(valueName)) ? kErrorSuccess : kErrorFileNotFound;
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

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::GetValue(int32_t root, const std::string& path,
                                                                    const std::string& name) const {
    auto node = Find(root, Read(path));
    if (!node) return std::nullopt;
    Node::Value* value = node->FindValue(Read(name));
    if (!value) return std::nullopt;
    return value->stored;
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

void MemoryRegistry::AfterQueryValue(std::function<void(int call)> hook) {
    afterQueryValue_ = std::move(hook);
    queryValueCalls_ = 0;
}
