#include "window/frm_list.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <limits>
#include <vector>

#include "base/app_error.h"
#include "window/adapter_presence.h"
#include "window/device_removal.h"
#include "window/entry_removal.h"
#include "window/frm_list_design.h"
#include "window/unused_entries.h"

namespace {

constexpr const wchar_t* kCaptionPrefix = L"Talvorin Device Manager Version ";

constexpr const wchar_t* kBiosString = L"HardwareInformation.BiosString";
constexpr const wchar_t* kDriverDate = L"DriverDate";
constexpr const wchar_t* kDriverVersion = L"DriverVersion";
constexpr const wchar_t* kProviderName = L"ProviderName";

constexpr const wchar_t* kNoAdapters = L"No graphics adapters found";
constexpr const wchar_t* kOneAdapter = L"1 graphics adapter found";
constexpr const wchar_t* kManyAdapters = L" graphics adapters found";

constexpr const wchar_t* kConfirmTitle = L"Registry Changes";
constexpr const wchar_t* kConfirmLead = L"Are you sure to delete the display adapter entry ";
constexpr const wchar_t* kConfirmTail = L" from registry?";
constexpr const wchar_t* kConfirmWarning =
    L"You must restart Windows for the changes made to take effect. If you delete the used entry for the "
    L"currently installed graphics card, it will be automatically created again when you restart!";
constexpr const wchar_t* kAccessDeniedText =
    L"Unabled to delete this registry key (completely). You need to run this program as administrator";
constexpr const wchar_t* kAccessDeniedTitle = L"Access denied";
constexpr const wchar_t* kDeletedText = L"Registry Key successful deleted!";
constexpr const wchar_t* kDeletedTitle = L"Remove Entry";
constexpr const wchar_t* kChangedLead = L"The entry of the display adapter ";
constexpr const wchar_t* kChangedTail = L" has changed since the list was read. Nothing was deleted.";
constexpr const wchar_t* kUnreadTail =
    L" could not be read whole: its keys changed or could not all be listed. Nothing was deleted.";
constexpr const wchar_t* kPresenceUnknown =
    L"Windows did not tell which display adapters are present, so no entry can be known to be unused. Nothing was "
    L"deleted.";
constexpr const wchar_t* kAllInUse = L"Every listed display adapter is in use. Nothing was deleted.";

constexpr const wchar_t* kRestartQuestion =
    L"The registry has been changed! Please restart Windows to take effect. If you don't see after reboot "
    L"no driver details in this list, please reinstall the current driver! Restart now?";
constexpr const wchar_t* kRestartTitle = L"Reboot recommended";
// Started from the system folder by its full path: a bare "shutdown" would be looked
// for in the current folder first, where anyone could have planted one.
constexpr const wchar_t* kRestartProgram = L"\\shutdown.exe";
constexpr const wchar_t* kRestartArguments = L"-r -t 00";

constexpr int32_t kErrOverflow = 6;

// An adapter's name as the removal's messages show it, between double quotes.
std::wstring Quoted(const std::wstring& adapterName) {
    return L"\"" + adapterName + L"\"";
}

// Window sizes come as floats; the recorded size is the nearest whole twip, halves
// going to the even neighbour.
int32_t RoundHalfEven(float value) {
    const double v = value;
    double whole = std::floor(v);
    const double fraction = v - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (!(whole >= std::numeric_limits<int32_t>::min() && whole <= std::numeric_limits<int32_t>::max())) {
        throw AppError(kErrOverflow, L"", L"Overflow");
    }
    return static_cast<int32_t>(whole);
}

}  // namespace

frmList::frmList(RegistryApi& registryApi, Toolkit& toolkit, FrmListControls& controls, DeviceSetupApi* devices)
    : registryApi_(registryApi), toolkit_(toolkit), controls_(controls), devices_(devices) {}

CLS_Registry& frmList::WindowRegistry() const {
    return Use(Registry.get());
}

// ---------------------------------------------------------------------------
// Inventory

void frmList::FillList() {
    // The scan is the one handler that tells the user about each failure.
    Guarded guard([this](const std::wstring& description) { toolkit_.MsgBox(description, kMbOkOnly, L""); });
    FrmListControls& c = controls_;

    guard.Step([&] { Registry = std::make_shared<CLS_Registry>(registryApi_); });

    int32_t restoreIndex = 0;
    if (guard.Test([&] { return c.List1.ListIndex() >= 0; })) {
        guard.Step([&] { restoreIndex = c.List1.ListIndex(); });
    }
    guard.Step([&] { c.List1.Clear(); });
    guard.Step([&] { c.Command2.SetEnabled(false); });
    guard.Step([&] { c.Command3.SetEnabled(false); });

    guard.Step([&] { Adapters = BasedArray<AdapterRecord>(1, std::vector<AdapterRecord>(1)); });
    AdapterCount = 0;

    guard.Step([&] { WindowRegistry().ClassKey(kHkeyLocalMachine); });
    guard.Step([&] { WindowRegistry().SectionKey(kDisplayClassKeyPath); });
    NameArray names;
    int32_t count = 0;
    guard.Step([&] { WindowRegistry().EnumerateSections(names, count); });
    for (int32_t i = 1; i <= count; ++i) ScanSubkey(names, i, guard);

    for (int32_t j = 1; j <= AdapterCount; ++j) {
        guard.Step([&] { c.List1.AddItem(Adapters(j).AdapterName); });
    }
    guard.Step([&] { c.List1.Refresh(); });
    if (AdapterCount != 0) guard.Step([&] { c.Command3.SetEnabled(true); });

    // Setting the row runs List1_Click, which shows the details and enables Command2.
    if (guard.Test([&] { return restoreIndex <= c.List1.ListCount() - 1; })) {
        guard.Step([&] { c.List1.SetListIndex(restoreIndex); });
    }
    WriteCountCaption(guard);
}

void frmList::ScanSubkey(const NameArray& names, int32_t i, Guarded& guard) {
    guard.Step([&] { WindowRegistry().SectionKey(kDisplayClassKeyPath + names(i)); });
    SelectAdapterNameValue(Registry.get(), 0, guard);
    // Neither name value: not an adapter entry. A read that fails keeps the subkey.
    if (!guard.Test([&] { return !IsEmptyResult(WindowRegistry().Value()); })) return;

    AdapterCount += 1;
    guard.Step([&] { Adapters.ReDimPreserve(1, AdapterCount); });
    guard.Step([&] { Adapters(AdapterCount).KeyPath = WindowRegistry().SectionKey(); });
    guard.Step([&] { Adapters(AdapterCount).SubkeyName = names(i); });
    guard.Step([&] { Adapters(AdapterCount).AdapterName = ValueText(WindowRegistry().Value()); });
    ReadOptionalValue(kBiosString, &AdapterRecord::BiosVersion, guard);
    ReadOptionalValue(kDriverDate, &AdapterRecord::DriverDate, guard);
    ReadOptionalValue(kDriverVersion, &AdapterRecord::DriverVersion, guard);
    ReadOptionalValue(kProviderName, &AdapterRecord::ProviderName, guard);
}

void frmList::ReadOptionalValue(const wchar_t* valueName, std::wstring AdapterRecord::*field, Guarded& guard) {
    guard.Step([&] { WindowRegistry().ValueKey(valueName); });
    if (guard.Test([&] { return WindowRegistry().KeyExists(); })) {
        guard.Step([&] { Adapters(AdapterCount).*field = ValueText(WindowRegistry().Value()); });
    }
}

void frmList::WriteCountCaption(Guarded& guard) {
    // A row count that cannot be read falls into the first choice.
    int32_t rows = 0;
    guard.Step([&] { rows = controls_.List1.ListCount(); });
    guard.Step([&] {
        if (rows == 0) {
            controls_.Label1(1).SetCaption(kNoAdapters);
        } else if (rows == 1) {
            controls_.Label1(1).SetCaption(kOneAdapter);
        } else {
            controls_.Label1(1).SetCaption(std::to_wstring(rows) + kManyAdapters);
        }
    });
}

// ---------------------------------------------------------------------------
// Details view

void frmList::List1_Click() {
    Guarded guard;
    FrmListControls& c = controls_;
    if (guard.Test([&] { return c.List1.ListIndex() < 0 || c.List1.ListCount() < 1; })) {
        guard.Step([&] { c.Text1.SetText(L""); });
        guard.Step([&] { c.Command2.SetEnabled(false); });
        return;
    }
    int32_t index = 0;
    guard.Step([&] { index = c.List1.ListIndex() + 1; });
    std::wstring current;
    guard.Step([&] { current = c.Text1.Text(); });

    // The manufacturer comes second and the version before the date, unlike the record.
    std::wstring details;
    AppendDetailLine(details, L"Adapter Name:", index, &AdapterRecord::AdapterName, guard);
    AppendDetailLine(details, L"Manufacturer:", index, &AdapterRecord::ProviderName, guard);
    AppendDetailLine(details, L"BIOS Version:", index, &AdapterRecord::BiosVersion, guard);
    AppendDetailLine(details, L"Driver Version:", index, &AdapterRecord::DriverVersion, guard);
    AppendDetailLine(details, L"Driver Date:", index, &AdapterRecord::DriverDate, guard);

    // An unchanged text is not written again, so the box keeps its caret and selection.
    if (guard.Test([&] { return details != current; })) {
        guard.Step([&] { c.Text1.SetText(details); });
    }
    guard.Step([&] { c.Command2.SetEnabled(true); });
}

void frmList::AppendDetailLine(std::wstring& details, const wchar_t* label, int32_t index,
                               std::wstring AdapterRecord::*field, Guarded& guard) const {
    guard.Step([&] { details += label + (L"\t" + Adapters(index).*field) + L"\r\n"; });
}

// ---------------------------------------------------------------------------
// Removal

bool frmList::SelectedRecordIndex(int32_t& index) {
    Guarded guard;
    index = 0;
    guard.Step([&] { index = controls_.List1.ListIndex() + 1; });
    return index >= 1 && index <= AdapterCount;
}

std::wstring frmList::ConfirmationText(const std::wstring& adapterName) {
    return kConfirmLead + Quoted(adapterName) + kConfirmTail + L"\r\n\r\n" + kConfirmWarning;
}

void frmList::Command2_Click() {
    RemoveAdapter();
}

void frmList::RemoveAdapter() {
    int32_t index = 0;
    if (!SelectedRecordIndex(index)) return;
    if (!Registry) return;

    Guarded guard;
    std::wstring keyPath;
    std::wstring adapterName;
    guard.Step([&] { keyPath = Adapters(index).KeyPath; });
    guard.Step([&] { adapterName = Adapters(index).AdapterName; });
    if (!IsAdapterKeyPath(keyPath)) return;

    std::wstring text;
    guard.Step([&] { text = ConfirmationText(adapterName); });
    int32_t answer = 0;
    guard.Step([&] { answer = toolkit_.MsgBox(text, kMbYesNo, kConfirmTitle); });
    // A box that could not be shown gave no Yes.
    if (answer != kAnswerYes) return;

    EntryRemoval removal;
    guard.Step([&] { removal = RemoveEntry(registryApi_, keyPath, adapterName); });
    // Nothing deleted and no right refused: no administrator could have done better.
    const bool unread = removal.outcome == EntryRemoval::Outcome::Incomplete && !removal.anyDeleted;
    if (removal.outcome == EntryRemoval::Outcome::Changed || unread) {
        const wchar_t* tail = unread ? kUnreadTail : kChangedTail;
        guard.Step([&] { toolkit_.MsgBox(kChangedLead + Quoted(adapterName) + tail, kMbInformation, kDeletedTitle); });
        FillList();
        return;
    }
    // Only a deletion calls for the restart; a removal that deleted nothing changed nothing.
    if (removal.anyDeleted) RegistryChanged = 1;

    if (removal.outcome == EntryRemoval::Outcome::Removed) {
        guard.Step([&] { toolkit_.MsgBox(kDeletedText, kMbInformation, kDeletedTitle); });
    } else {
        guard.Step([&] { toolkit_.MsgBox(kAccessDeniedText, kMbCritical, kAccessDeniedTitle); });
    }
    FillList();
}

void frmList::Command3_Click() {
    RemoveAll();
}

// Which devices use which entries, asked anew each time: a device may come or go while
// the window is open. Unknown is no answer, and then nothing is deleted.
bool frmList::AskDevices(std::vector<DisplayDevice>& devices, Guarded& guard) {
    bool known = false;
    guard.Step([&] { known = DisplayDevices(devices_, devices); });
    if (!known) guard.Step([&] { toolkit_.MsgBox(kPresenceUnknown, kMbCritical, kDeletedTitle); });
    return known;
}

void frmList::RemoveAll() {
    if (AdapterCount < 1 || !Registry) return;
    Guarded guard;
    std::vector<DisplayDevice> devices;
    if (!AskDevices(devices, guard)) return;
    std::vector<UnusedEntry> unused;
    guard.Step([&] { unused = UnusedEntries(Adapters, AdapterCount, devices); });
    if (unused.empty()) {
        guard.Step([&] { toolkit_.MsgBox(kAllInUse, kMbInformation, kDeletedTitle); });
        return;
    }
    std::wstring question;
    guard.Step([&] { question = RemoveAllQuestion(unused, AdapterCount - static_cast<int32_t>(unused.size())); });
    int32_t answer = 0;
    guard.Step([&] { answer = toolkit_.MsgBox(question, kMbYesNo, kConfirmTitle); });
    if (answer != kAnswerYes) return;

    // A device plugged in while the question was open keeps its entry.
    if (!AskDevices(devices, guard)) return;
    RemoveAllReport report;
    for (const UnusedEntry& entry : unused) guard.Step([&] { RemoveUnused(entry.record, devices, report); });
    if (report.AnyDeleted()) RegistryChanged = 1;
    guard.Step([&] { toolkit_.MsgBox(report.Text(), report.Style(), report.Title()); });
    FillList();
}

// An entry that only devices not connected now name goes with them; one that no device
// names is a stale key and goes alone.
void frmList::RemoveUnused(const AdapterRecord& record, const std::vector<DisplayDevice>& devices,
                           RemoveAllReport& report) {
    std::vector<std::wstring> absent;
    switch (UseOf(devices, record.KeyPath, &absent)) {
        case EntryUse::InUse:
            report.AddInUseNow(record);
            return;
        case EntryUse::NamedByNone:
            report.Add(record, RemoveEntry(registryApi_, record.KeyPath, record.AdapterName));
            return;
        case EntryUse::OfAbsentDevice:
            report.AddWithDevice(
                record, RemoveEntryWithDevices(*devices_, registryApi_, record.KeyPath, record.AdapterName, absent));
            return;
    }
}

// ---------------------------------------------------------------------------
// Lifecycle

void frmList::Form_Load() {
    Guarded guard;
    FormControl& me = controls_.Me;
    guard.Step([&] {
        me.SetCaption(kCaptionPrefix + std::to_wstring(toolkit_.VersionMajor()) + L"." +
                      std::to_wstring(toolkit_.VersionMinor()) + L"." + std::to_wstring(toolkit_.VersionRevision()));
    });
    guard.Step([&] {
        const float width = me.Width();
        const float height = me.Height();
        me.Move((toolkit_.ScreenWidth() - width) / 2.0f, (toolkit_.ScreenHeight() - height) / 2.0f, width, height);
    });
    FillList();
    // Until these are set, size changes during loading are left alone.
    guard.Step([&] { InitialWidth = RoundHalfEven(me.Width()); });
    guard.Step([&] { InitialHeight = RoundHalfEven(me.Height()); });
}

// The window keeps the size it had at the end of loading; dragging an edge only
// moves it. Only InitialWidth tells whether loading has finished.
void frmList::Form_Resize() {
    Guarded guard;
    FormControl& me = controls_.Me;
    if (guard.Test([&] { return me.WindowState() == kStateMinimized; })) return;
    if (InitialWidth < 1) return;
    guard.Step(
        [&] { me.Move(me.Left(), me.Top(), static_cast<float>(InitialWidth), static_cast<float>(InitialHeight)); });
    guard.Step([&] { controls_.Image1.SetWidth(controls_.Command2.Width()); });
}

void frmList::Form_Unload() {
    if (RegistryChanged != 1) return;
    // Command1 and the close box both end here; the question is asked once.
    if (restartAsked_) return;
    restartAsked_ = true;

    Guarded guard;
    int32_t answer = 0;
    guard.Step([&] { answer = toolkit_.MsgBox(kRestartQuestion, kMbYesNo, kRestartTitle); });
    // A question that could not be shown is no Yes: never restart unasked.
    if (answer != kAnswerYes) return;
    std::wstring systemFolder;
    guard.Step([&] { systemFolder = toolkit_.SystemDirectory(); });
    // Without the system folder the path would be "\shutdown.exe" in the root of the
    // current drive, just the kind of planted program the full path is there to avoid.
    if (systemFolder.empty()) return;
    guard.Step([&] { toolkit_.StartProgram(systemFolder + kRestartProgram, kRestartArguments, kShowMinimizedFocus); });
}

void frmList::Command1_Click() {
    Guarded guard;
    guard.Step([&] { controls_.Me.Unload(); });
    guard.Step([&] { toolkit_.EndProcess(); });
}

void frmList::Label2_Click() {
    Guarded guard;
    guard.Step([&] { toolkit_.SetMousePointer(kPointerHourglass); });
    // Run as administrator, the program would hand its rights on to the browser; the
    // desktop's shell starts it with the user's everyday ones. Without that shell the
    // program opens the site itself.
    bool opened = false;
    if (guard.Test([&] { return toolkit_.ElevationType() == kElevationFull; })) {
        guard.Step([&] { opened = toolkit_.OpenWithDesktopShell(L"Open", kWebSiteAddress, L"", L"", kShowNormal); });
    }
    if (!opened) guard.Step([&] { toolkit_.OpenWithShell(L"Open", kWebSiteAddress, L"", L"", kShowNormal); });
    guard.Step([&] { toolkit_.SetMousePointer(kPointerDefault); });
}

void frmList::Image1_Click() {
    Label2_Click();
}
