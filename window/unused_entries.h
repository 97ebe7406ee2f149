// "Remove All": which listed entries no present adapter uses, the one question that
// names them, and the one report of what became of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/based_array.h"
#include "window/adapter_presence.h"
#include "window/adapter_record.h"
#include "window/device_removal.h"
#include "window/entry_removal.h"

// A listed entry that no present device uses, copied before the question: the Yes
// applies to the entry the question named, wherever a rebuild of the list moved its row.
struct UnusedEntry {
    AdapterRecord record;
    bool ofAbsentDevice = false;  // a device that is not connected now names it
};

// The records, in list order, whose entries no present device names. Only listed
// entries qualify, so a key that names no adapter is never among them.
std::vector<UnusedEntry> UnusedEntries(const BasedArray<AdapterRecord>& records, int32_t count,
                                       const std::vector<DisplayDevice>& devices);

// The Yes/No question: each entry by its adapter's name and its key's name, so that two
// entries of one name can be told apart, those deleted from the registry apart from
// those removed with their devices, then how many stay because they are in use.
std::wstring RemoveAllQuestion(const std::vector<UnusedEntry>& unused, int32_t inUse);

// What became of each entry of one "Remove All", told in one message box at the end.
class RemoveAllReport {
public:
    void Add(const AdapterRecord& record, const EntryRemoval& removal);
    void AddWithDevice(const AdapterRecord& record, const EntryDeviceRemoval& removal);
    // An entry that a device started to use while the question was open.
    void AddInUseNow(const AdapterRecord& record);

    bool AnyDeleted() const { return anyDeleted_; }
    std::wstring Text() const;
    int32_t Style() const;
    std::wstring Title() const;

private:
    // Why the entry's key stayed, or empty when it went.
    std::wstring KeyKept(const EntryRemoval& removal);

    std::vector<std::wstring> removed_;  // "name" (key): how, in list order
    std::vector<std::wstring> kept_;     // "name" (key): why, in list order
    bool withDevice_ = false;
    bool anyDeleted_ = false;
    bool refused_ = false;
    bool failed_ = false;
};
