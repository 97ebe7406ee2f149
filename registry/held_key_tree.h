// A key and every key below it, each held open by its own handle, for a removal that
// deletes them all or none. A path rebuilt from names read out of the registry may lead
// to another key than the one read (a name the code page cannot spell, a link met on
// the way, a key replaced in between); a handle always names the key it was opened on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry_api.h"

class HeldKeyTree {
public:
    explicit HeldKeyTree(RegistryApi& api) : api_(api) {}

    // Opens the key at path below root, then every key below it level by level, each
    // relative to its parent's handle by its wide name, with the rights to list and to
    // delete it. Links above the key are followed (that is how a path through
    // CurrentControlSet is reached); the key and every key below it are opened as
    // themselves, so a link is held as a key of the tree and its target is never
    // entered. False when a key could not be opened with those rights or its subkeys
    // could not all be listed: then the tree is incomplete and nothing may be deleted.
    bool Open(RegKey root, const std::wstring& path);

    // The keys held, 1 to Count(); key 1 is the top and each key stands after its parent.
    int32_t Count() const { return static_cast<int32_t>(keys_.size()); }

    // Deletes key i through its own handle; true when it went. The platform refuses a
    // key that still has subkeys, so delete from Count() down.
    bool Delete(int32_t i);

private:
    bool ListSubkeys(RegKey key, std::vector<std::wstring>& names);

    RegistryApi& api_;
    std::vector<OpenedKey> keys_;
};
