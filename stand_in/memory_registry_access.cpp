#include "stand_in/memory_registry.h"

#include <new>

#include "stand_in/memory_registry_internal.h"

// Handles and access: what a handle names, and the failures injected on chosen keys,
// operations and calls.

namespace {

using memory_registry::kErrorKeyDeleted;
using memory_registry::Normalise;

bool IsRootKey(RegKey key) {
    return key == static_cast<RegKey>(kHkeyClassesRoot) || key == static_cast<RegKey>(kHkeyCurrentUser) ||
           key == static_cast<RegKey>(kHkeyLocalMachine) || key == static_cast<RegKey>(kHkeyUsers);
}

}  // namespace

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

RegKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, uint32_t access) {
    const RegKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = Handle{std::move(node), access};
    return handle;
}

int32_t MemoryRegistry::RegCloseKey(RegKey key) {
    if (IsRootKey(key)) return kErrorSuccess;
    return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
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
