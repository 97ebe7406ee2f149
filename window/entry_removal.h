// The removal of one adapter entry, its key with every key below it, as both removal
// buttons run it: the entry goes whole, only while it still names the adapter the user
// confirmed, and nothing outside it is touched.
#pragma once

#include <string>

#include "registry/registry_api.h"

// The removal may only touch one adapter's tree: the key must be a direct subkey of the
// Display class key. Paths from the scan always are; this keeps a record spoilt by a
// failed scan step from aiming the deletion at the class key or anything above it.
bool IsAdapterKeyPath(const std::wstring& keyPath);

struct EntryRemoval {
    enum class Outcome {
        Removed,     // every key of the entry is gone
        Changed,     // the key is gone, or no longer names the adapter: nothing deleted
        Refused,     // a key refused a right: the entry stays, or part of it if a deletion was refused
        Incomplete,  // the keys could not all be listed, or one failed to go for another reason
    };
    Outcome outcome = Outcome::Incomplete;
    bool anyDeleted = false;  // at least one key was deleted by this removal
};

// Holds the entry's key and every key below it, checks through the top key's handle
// that it still names adapterName (read as the inventory reads it), then deletes the
// keys from the deepest up through the handles that were checked. A raised error counts as a
// failed step; nothing is put back.
EntryRemoval RemoveEntry(RegistryApi& api, const std::wstring& keyPath, const std::wstring& adapterName);
