#include "stand_in/memory_registry.h"

#include <algorithm>

#include "stand_in/memory_registry_internal.h"

// The tree of keys: how names compare, how a path is walked, with the links on the way
// followed, and where a key is.

namespace {

using memory_registry::Upper;

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

}  // namespace

namespace memory_registry {

std::wstring Upper(const std::wstring& text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = UpperChar(c);
    return out;
}

std::wstring Normalise(const std::wstring& path) {
    std::wstring p = path;
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    return Upper(p);
}

}  // namespace memory_registry

MemoryRegistry::MemoryRegistry() {
    for (int32_t root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers}) {
        roots_[root] = std::make_shared<Node>();
        roots_[root]->root = root;
    }
}

MemoryRegistry::~MemoryRegistry() = default;

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
