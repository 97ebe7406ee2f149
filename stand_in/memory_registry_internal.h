// What the files of the in-memory registry share: a key as it is stored (its subkeys,
// its values, whether it is a link), how names compare, and the deleted key's error.
// Only the stand-in's own files include this.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stand_in/memory_registry.h"

namespace memory_registry {

// The error a handle to a deleted key meets (ERROR_KEY_DELETED).
constexpr int32_t kErrorKeyDeleted = 1018;

// A name or path in the case the platform compares it in.
std::wstring Upper(const std::wstring& text);
// A path as failure rules hold it: upper case, without trailing backslashes.
std::wstring Normalise(const std::wstring& path);

}  // namespace memory_registry

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
        const std::wstring u = memory_registry::Upper(childName);
        auto at = ChildSlot(u);
        return at != children.end() && (*at)->upper == u ? *at : nullptr;
    }
    std::shared_ptr<Node> AddChild(const std::wstring& childName) {
        auto node = std::make_shared<Node>();
        node->name = childName;
        node->upper = memory_registry::Upper(childName);
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
        const std::wstring u = memory_registry::Upper(valueName);
        auto at = ValueSlot(u);
        return at != values.end() && at->upper == u ? &*at : nullptr;
    }
    void PutValue(const std::wstring& valueName, StoredValue stored) {
        if (Value* existing = FindValue(valueName)) {
            existing->stored = std::move(stored);
            return;
        }
        const std::wstring u = memory_registry::Upper(valueName);
        values.insert(ValueSlot(u), Value{valueName, u, std::move(stored)});
    }
    bool RemoveValue(const std::wstring& valueName) {
        const std::wstring u = memory_registry::Upper(valueName);
        auto at = ValueSlot(u);
        if (at == values.end() || at->upper != u) return false;
        values.erase(at);
        return true;
    }
    // A link's target, from its REG_LINK value: UTF-16 without a terminator.
    std::wstring LinkTarget() const {
        const std::wstring u = memory_registry::Upper(L"SymbolicLinkValue");
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
