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

    // How far holding the tree got.
    enum class Hold {
        Held,        // every key is held
        Gone,        // the top key is not there
        Refused,     // a key refused the rights to list or to delete it
        Incomplete,  // a key's subkeys could not all be listed, or changed while they were
    };

    // Opens the key at path below root, with the rights to list and to delete it. Links
    // above the key are followed (that is how a path through CurrentControlSet is
    // reached); the key itself is opened as itself.
    Hold OpenTop(RegKey root, const std::wstring& path);
    // The top key's handle, for a look at the key itself; 0 until OpenTop held it.
    RegKey Top() const { return keys_.empty() ? 0 : keys_.front().Get(); }
    // Opens every key below the top level by level, each relative to its parent's
    // handle by its wide name and as itself, so that a link is held as a key of the tree
    // and its target is never entered. Unless every key is held, nothing may be deleted.
    Hold OpenBelow();
    // Both steps at once: true when the whole tree is held.
    bool Open(RegKey root, const std::wstring& path) {
        return OpenTop(root, path) == Hold::Held && OpenBelow() == Hold::Held;
    }

    // The keys held, 1 to Count(); key 1 is the top and each key stands after its parent.
    int32_t Count() const { return static_cast<int32_t>(keys_.size()); }

    // What became of one key's deletion.
    enum class Deletion {
        Deleted,
        Gone,     // another program deleted it after it was held
        Refused,  // the platform refused the right
        Failed,
    };
    // Deletes key i through its own handle. The platform refuses a key that still has
    // subkeys, so delete from Count() down.
    Deletion Delete(int32_t i);

private:
    Hold ListSubkeys(RegKey key, std::vector<std::wstring>& names);
    int32_t SubkeyCount(RegKey key, uint32_t& count);

    RegistryApi& api_;
    std::vector<OpenedKey> keys_;
};
