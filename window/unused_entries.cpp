#include "window/unused_entries.h"

#include "window/adapter_presence.h"
#include "window/toolkit.h"

namespace {

// A long list would make a box taller than the screen; the rest is counted.
constexpr size_t kMostNamesShown = 20;

constexpr const wchar_t* kRemoveAllTitle = L"Remove Entry";
constexpr const wchar_t* kAccessDeniedTitle = L"Access denied";
constexpr const wchar_t* kAdministratorHint = L"You need to run this program as administrator.";

std::wstring Count(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

std::wstring EntryLine(const AdapterRecord& record) {
    return L"\"" + record.AdapterName + L"\" (key " + record.SubkeyName + L")";
}

// The lines, at most kMostNamesShown of them, then how many more there are.
std::wstring Listed(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (size_t i = 0; i < lines.size() && i < kMostNamesShown; ++i) text += lines[i] + L"\r\n";
    if (lines.size() > kMostNamesShown)
        text += L"... and " + std::to_wstring(lines.size() - kMostNamesShown) + L" more\r\n";
    return text;
}

}  // namespace

std::vector<int32_t> UnusedRecords(const BasedArray<AdapterRecord>& records, int32_t count,
                                   const std::vector<std::wstring>& driverKeys) {
    std::vector<int32_t> unused;
    for (int32_t i = 1; i <= count; ++i) {
        const std::wstring& keyPath = records(i).KeyPath;
        if (IsAdapterKeyPath(keyPath) && !UsedByAny(driverKeys, keyPath)) unused.push_back(i);
    }
    return unused;
}

std::wstring RemoveAllQuestion(const BasedArray<AdapterRecord>& records, const std::vector<int32_t>& unused,
                               int32_t inUse) {
    std::vector<std::wstring> lines;
    lines.reserve(unused.size());
    for (int32_t i : unused) lines.push_back(EntryLine(records(i)));
    std::wstring text = unused.size() == 1
                            ? L"No present display adapter uses this entry. Are you sure to delete it from registry?"
                            : L"No present display adapter uses these " + std::to_wstring(unused.size()) +
                                  L" entries. Are you sure to delete them from registry?";
    text += L"\r\n\r\n" + Listed(lines) + L"\r\n";
    if (inUse == 0) {
        text += L"No listed entry is in use.";
    } else {
        text += Count(static_cast<size_t>(inUse), L"entry stays because its adapter is in use.",
                      L"entries stay because their adapters are in use.");
    }
    return text + L"\r\n\r\nYou must restart Windows for the changes made to take effect.";
}

void RemoveAllReport::Add(const AdapterRecord& record, const EntryRemoval& removal) {
    using Outcome = EntryRemoval::Outcome;
    anyDeleted_ = anyDeleted_ || removal.anyDeleted;
    const wchar_t* partly = removal.anyDeleted ? L"partly deleted, " : L"";
    switch (removal.outcome) {
        case Outcome::Removed:
            ++removed_;
            return;
        case Outcome::Changed:
            kept_.push_back(EntryLine(record) + L": changed since the list was read");
            return;
        case Outcome::Refused:
            refused_ = true;
            kept_.push_back(EntryLine(record) + L": " + partly + L"access denied");
            return;
        case Outcome::Incomplete:
            failed_ = true;
            kept_.push_back(EntryLine(record) + L": " + partly + L"its keys changed while they were deleted");
            return;
    }
}

void RemoveAllReport::AddInUseNow(const AdapterRecord& record) {
    kept_.push_back(EntryLine(record) + L": in use now");
}

std::wstring RemoveAllReport::Text() const {
    const size_t total = static_cast<size_t>(removed_) + kept_.size();
    if (kept_.empty()) {
        return total == 1
                   ? L"The unused display adapter entry was deleted from registry."
                   : L"All " + std::to_wstring(total) + L" unused display adapter entries were deleted from registry.";
    }
    std::wstring text = std::to_wstring(removed_) + L" of " + Count(total, L"entry was", L"entries were") +
                        L" deleted from registry. Not deleted:\r\n\r\n" + Listed(kept_);
    if (refused_) text += L"\r\n" + std::wstring(kAdministratorHint);
    return text;
}

int32_t RemoveAllReport::Style() const {
    return refused_ || failed_ ? kMbCritical : kMbInformation;
}

std::wstring RemoveAllReport::Title() const {
    return refused_ ? kAccessDeniedTitle : kRemoveAllTitle;
}
