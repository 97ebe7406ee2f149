// "Remove All": which listed entries no present adapter uses, the one question that
// names them, and the one report of what became of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/based_array.h"
#include "window/adapter_record.h"
#include "window/entry_removal.h"

// The indexes, 1 to count and in list order, of the records whose entries none of the
// driver keys names. Only listed entries qualify, so a key that names no adapter is
// never among them.
std::vector<int32_t> UnusedRecords(const BasedArray<AdapterRecord>& records, int32_t count,
                                   const std::vector<std::wstring>& driverKeys);

// The Yes/No question: each entry by its adapter's name and its key's name, so that two
// entries of one name can be told apart, then how many stay because they are in use.
std::wstring RemoveAllQuestion(const BasedArray<AdapterRecord>& records, const std::vector<int32_t>& unused,
                               int32_t inUse);

// What became of each entry of one "Remove All", told in one message box at the end.
class RemoveAllReport {
public:
    void Add(const AdapterRecord& record, const EntryRemoval& removal);
    // An entry that a device started to use while the question was open.
    void AddInUseNow(const AdapterRecord& record);

    bool AnyDeleted() const { return anyDeleted_; }
    std::wstring Text() const;
    int32_t Style() const;
    std::wstring Title() const;

private:
    int32_t removed_ = 0;
    std::vector<std::wstring> kept_;  // "name" (key): why, in list order
    bool anyDeleted_ = false;
    bool refused_ = false;
    bool failed_ = false;
};
