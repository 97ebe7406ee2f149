#include "window/entry_removal.h"

#include <cwctype>

#include "registry/held_key_tree.h"
#include "window/adapter_name.h"
#include "window/display_class_key.h"
#include "window/guarded.h"

namespace {

using Outcome = EntryRemoval::Outcome;

Outcome FailedHold(HeldKeyTree::Hold hold) {
    if (hold == HeldKeyTree::Hold::Gone) return Outcome::Changed;
    return hold == HeldKeyTree::Hold::Refused ? Outcome::Refused : Outcome::Incomplete;
}

// The platform refuses to delete a key that still has subkeys, so delete from the
// deepest up. A key that fails (one changed since the check) does not stop the others;
// one that another program deleted meanwhile is gone as it should be.
EntryRemoval DeleteKeys(HeldKeyTree& tree) {
    Guarded guard;
    bool refused = false;
    bool failed = false;
    EntryRemoval removal;
    for (int32_t i = tree.Count(); i >= 1; --i) {
        HeldKeyTree::Deletion deletion = HeldKeyTree::Deletion::Failed;
        guard.Step([&] { deletion = tree.Delete(i); });
        if (deletion == HeldKeyTree::Deletion::Deleted) removal.anyDeleted = true;
        if (deletion == HeldKeyTree::Deletion::Refused) refused = true;
        if (deletion == HeldKeyTree::Deletion::Failed) failed = true;
    }
    if (refused) {
        removal.outcome = Outcome::Refused;
    } else if (failed) {
        removal.outcome = Outcome::Incomplete;
    } else {
        // Every key gone before it could be deleted: another program removed or replaced
        // the entry after the check, and this removal changed nothing.
        removal.outcome = removal.anyDeleted ? Outcome::Removed : Outcome::Changed;
    }
    return removal;
}

}  // namespace

bool IsAdapterKeyPath(const std::wstring& keyPath) {
    const std::wstring classPath = kDisplayClassKeyPath;
    if (keyPath.size() <= classPath.size()) return false;
    for (size_t i = 0; i < classPath.size(); ++i) {
        if (std::towlower(keyPath[i]) != std::towlower(classPath[i])) return false;
    }
    return keyPath.find(L'\\', classPath.size()) == std::wstring::npos;
}

EntryRemoval RemoveEntry(RegistryApi& api, const std::wstring& keyPath, const std::wstring& adapterName) {
    if (!IsAdapterKeyPath(keyPath)) return {Outcome::Changed, false};
    Guarded guard;
    HeldKeyTree tree(api);
    HeldKeyTree::Hold hold = HeldKeyTree::Hold::Incomplete;
    guard.Step([&] { hold = tree.OpenTop(kHkeyLocalMachine, keyPath); });
    if (hold != HeldKeyTree::Hold::Held) return {FailedHold(hold), false};

    // Deleting cannot be undone part-way, so the whole tree is held first.
    hold = HeldKeyTree::Hold::Incomplete;
    guard.Step([&] { hold = tree.OpenBelow(); });

    // A driver install may have replaced or removed the entry since the list was read,
    // even while the question was open: the Yes was given for the adapter it named.
    // Read through the held key, the check sees the key that is deleted next.
    std::wstring name;
    if (!AdapterNameIn(api, tree.Top(), name) || name != adapterName) return {Outcome::Changed, false};
    if (hold != HeldKeyTree::Hold::Held) return {FailedHold(hold), false};
    return DeleteKeys(tree);
}
