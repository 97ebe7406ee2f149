#include "window/unused_entries.h"

#include "window/toolkit.h"

namespace {

// A long list would make a box taller than the screen; the rest is counted.
constexpr size_t kMostNamesShown = 20;

constexpr const wchar_t* kRemoveAllTitle = L"Remove Entry";
constexpr const wchar_t* kAccessDeniedTitle = L"Access denied";
constexpr const wchar_t* kAdministratorHint = L"You need to run this program as administrator.";
constexpr const wchar_t* kWithDevice = L"removed with its device";
constexpr const wchar_t* kAlone = L"deleted from registry";

std::wstring Count(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

std::wstring EntryLine(const AdapterRecord& record) {
    return L"\"" + record.AdapterName + L"\" (key " + record.SubkeyName + L")";
}

// The lines, as many as room is left for, then how many more there are.
std::wstring Listed(const std::vector<std::wstring>& lines, size_t& room) {
    std::wstring text;
    size_t shown = 0;
    for (; shown < lines.size() && shown < room; ++shown) text += lines[shown] + L"\r\n";
    room -= shown;
    if (lines.size() > shown) text += L"... and " + std::to_wstring(lines.size() - shown) + L" more\r\n";
    return text;
}

std::wstring Listed(const std::vector<std::wstring>& lines) {
    size_t room = kMostNamesShown;
    return Listed(lines, room);
}

// Both groups of the question, the entries deleted alone first.
std::wstring Groups(const std::vector<std::wstring>& alone, const std::vector<std::wstring>& withDevice) {
    size_t room = kMostNamesShown;
    std::wstring text;
    if (!alone.empty()) {
        text += std::wstring(alone.size() == 1 ? L"Deleted from registry, since no device names it:"
                                               : L"Deleted from registry, since no device names them:") +
                L"\r\n" + Listed(alone, room) + L"\r\n";
    }
    return text +
           (withDevice.size() == 1 ? L"Removed with its device, which is not connected now:"
                                   : L"Removed with their devices, which are not connected now:") +
           L"\r\n" + Listed(withDevice, room) +
           L"Windows sets such a device up again, with a new entry, when it is connected.\r\n";
}

}  // namespace

std::vector<UnusedEntry> UnusedEntries(const BasedArray<AdapterRecord>& records, int32_t count,
                                       const std::vector<DisplayDevice>& devices) {
    std::vector<UnusedEntry> unused;
    for (int32_t i = 1; i <= count; ++i) {
        const AdapterRecord& record = records(i);
        if (!IsAdapterKeyPath(record.KeyPath)) continue;
        const EntryUse use = UseOf(devices, record.KeyPath);
        if (use != EntryUse::InUse) unused.push_back({record, use == EntryUse::OfAbsentDevice});
    }
    return unused;
}

std::wstring RemoveAllQuestion(const std::vector<UnusedEntry>& unused, int32_t inUse) {
    std::vector<std::wstring> alone;
    std::vector<std::wstring> withDevice;
    for (const UnusedEntry& entry : unused)
        (entry.ofAbsentDevice ? withDevice : alone).push_back(EntryLine(entry.record));
    const bool one = unused.size() == 1;
    std::wstring text =
        one ? L"No present display adapter uses this entry. "
            : L"No present display adapter uses these " + std::to_wstring(unused.size()) + L" entries. ";
    if (withDevice.empty()) {
        text += one ? L"Are you sure to delete it from registry?" : L"Are you sure to delete them from registry?";
        text += L"\r\n\r\n" + Listed(alone) + L"\r\n";
    } else {
        text += one ? L"Are you sure to remove it?" : L"Are you sure to remove them?";
        text += L"\r\n\r\n" + Groups(alone, withDevice) + L"\r\n";
    }
    if (inUse == 0) {
        text += L"No listed entry is in use.";
    } else {
        text += Count(static_cast<size_t>(inUse), L"entry stays because its adapter is in use.",
                      L"entries stay because their adapters are in use.");
    }
    return text + L"\r\n\r\nYou must restart Windows for the changes made to take effect.";
}

std::wstring RemoveAllReport::KeyKept(const EntryRemoval& removal) {
    using Outcome = EntryRemoval::Outcome;
    anyDeleted_ = anyDeleted_ || removal.anyDeleted;
    const std::wstring partly = removal.anyDeleted ? L"partly deleted, " : L"";
    switch (removal.outcome) {
        case Outcome::Removed:
            return L"";
        case Outcome::Changed:
            return L"changed since the list was read";
        case Outcome::Refused:
            refused_ = true;
            return partly + L"access denied";
        case Outcome::Incomplete:
            break;
    }
    failed_ = true;
    return partly + L"its keys changed while they were deleted";
}

void RemoveAllReport::Add(const AdapterRecord& record, const EntryRemoval& removal) {
    const std::wstring why = KeyKept(removal);
    (why.empty() ? removed_ : kept_).push_back(EntryLine(record) + L": " + (why.empty() ? kAlone : why));
}

void RemoveAllReport::AddWithDevice(const AdapterRecord& record, const EntryDeviceRemoval& removal) {
    using Outcome = DeviceRemoval::Outcome;
    anyDeleted_ = anyDeleted_ || removal.anyRemoved;
    const std::wstring line = EntryLine(record) + L": ";
    const DeviceRemoval& device = removal.device;
    if (!removal.devicesGone) {
        if (device.outcome == Outcome::MayBePresent) {
            kept_.push_back(line + L"its device may be connected now");
        } else if (device.outcome == Outcome::Refused) {
            refused_ = true;
            kept_.push_back(line + L"its device could not be removed: access denied");
        } else {
            failed_ = true;
            kept_.push_back(line + L"its device could not be removed (error " + std::to_wstring(device.error) + L")");
        }
        return;
    }
    // The platform takes the entry with the device; a key it left behind was deleted as
    // a stale one, or changed since (Changed): either way the entry is the device's no more.
    withDevice_ = true;
    const EntryRemoval& key = removal.key;
    const std::wstring why = key.outcome == EntryRemoval::Outcome::Changed ? L"" : KeyKept(key);
    if (why.empty()) {
        removed_.push_back(line + kWithDevice);
    } else {
        kept_.push_back(line + L"its device was removed, its key was not: " + why);
    }
}

void RemoveAllReport::AddInUseNow(const AdapterRecord& record) {
    kept_.push_back(EntryLine(record) + L": in use now");
}

std::wstring RemoveAllReport::Text() const {
    const size_t total = removed_.size() + kept_.size();
    const wchar_t* done = withDevice_ ? L"removed" : L"deleted from registry";
    std::wstring text;
    if (kept_.empty()) {
        text = total == 1 ? L"The unused display adapter entry was " + std::wstring(done) + L"."
                          : L"All " + std::to_wstring(total) + L" unused display adapter entries were " + done + L".";
    } else {
        text = std::to_wstring(removed_.size()) + L" of " + Count(total, L"entry was", L"entries were") + L" " + done +
               L".";
    }
    // With a device among them, each entry says how it went.
    if (withDevice_ && !removed_.empty()) text += L"\r\n\r\n" + Listed(removed_);
    if (!kept_.empty()) {
        text += withDevice_ ? L"\r\n" : L" ";
        text += std::wstring(withDevice_ ? L"Not removed:" : L"Not deleted:") + L"\r\n\r\n" + Listed(kept_);
    }
    if (refused_) text += L"\r\n" + std::wstring(kAdministratorHint);
    return text;
}

int32_t RemoveAllReport::Style() const {
    return refused_ || failed_ ? kMbCritical : kMbInformation;
}

std::wstring RemoveAllReport::Title() const {
    return refused_ ? kAccessDeniedTitle : kRemoveAllTitle;
}
