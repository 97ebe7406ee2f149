#include "window/frm_list.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <limits>
#include <vector>

#include "base/app_error.h"
#include "window/frm_list_design.h"

namespace {

constexpr const wchar_t* kCaptionPrefix = L"Talvorin Device Manager Version ";

constexpr const wchar_t* kDriverDesc = L"DriverDesc";
constexpr const wchar_t* kAdapterString = L"HardwareInformation.AdapterString";
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

constexpr const wchar_t* kRestartQuestion =
    L"The registry has been changed! Please restart Windows to take effect. If you don't see after reboot "
    L"no driver details in this list, please reinstall the current driver! Restart now?";
constexpr const wchar_t* kRestartTitle = L"Reboot recommended";
// Started from the system folder by its full path: a bare "shutdown" would be looked
// for in the current folder first, where anyone could have planted one.
constexpr const wchar_t* kRestartProgram = L"\\shutdown.exe";
constexpr const wchar_t* kRestartArguments = L"-r -t 00";

constexpr int32_t kErrOverflow = 6;
constexpr int32_t kErrObjectNotSet = 91;

// The text of a read before its NULs are removed. The scan's emptiness tests look at
// this text: a missing value and "" are empty, a number never is.
std::wstring RawValueText(const Variant& value) {
    if (value.IsEmpty()) return L"";
    if (value.IsText()) return value.AsText();
    if (value.IsLong()) return std::to_wstring(value.AsLong());
    if (value.IsInteger()) return std::to_wstring(value.AsInteger());
    if (!value.IsBytes()) return value.ToText();
    // Binary data is taken as UTF-16LE without any code-page conversion; an odd
    // last byte belongs to no character.
    const std::vector<uint8_t>& bytes = value.AsBytes().Items();
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

bool IsEmptyResult(const Variant& value) {
    return RawValueText(value).empty();
}

// An adapter's name as the removal's messages show it, between double quotes.
std::wstring Quoted(const std::wstring& adapterName) {
    return L"\"" + adapterName + L"\"";
}

CLS_Registry& Use(CLS_Registry* registry) {
    if (!registry) throw AppError(kErrObjectNotSet, L"", L"Object variable or With block variable not set");
    return *registry;
}

// Selects the value that names the adapter of the selected key: "DriverDesc", or
// "HardwareInformation.AdapterString" when that reads empty. A "DriverDesc" whose read
// raises gives way to the adapter string as well. The inventory and the removal's
// second look at an entry both choose the name this way, so that they agree on it.
void SelectAdapterNameValue(CLS_Registry* registry, Guarded& guard) {
    guard.Step([&] { Use(registry).ValueType(kRegSz); });
    guard.Step([&] { Use(registry).ValueKey(kDriverDesc); });
    if (guard.Test([&] { return IsEmptyResult(Use(registry).Value()); })) {
        guard.Step([&] { Use(registry).ValueKey(kAdapterString); });
    }
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

// The removal may only touch one adapter's tree: the record's key must be a direct
// subkey of the Display class key. Paths from the scan always are; this keeps a
// record spoilt by a failed scan step from aiming the deletion at the class key or
// anything above it.
bool IsAdapterKeyPath(const std::wstring& keyPath) {
    const std::wstring classPath = kDisplayClassKeyPath;
    if (keyPath.size() <= classPath.size()) return false;
    for (size_t i = 0; i < classPath.size(); ++i) {
        if (std::towlower(keyPath[i]) != std::towlower(classPath[i])) return false;
    }
    return keyPath.find(L'\\', classPath.size()) == std::wstring::npos;
}

}  // namespace

std::wstring ValueText(const Variant& value) {
    std::wstring text = RawValueText(value);
    text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

frmList::frmList(RegistryApi& registryApi, Toolkit& toolkit, FrmListControls& controls)
    : registryApi_(registryApi), toolkit_(toolkit), controls_(controls) {}

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
    SelectAdapterNameValue(Registry.get(), guard);
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

    CLS_Registry registry(registryApi_);
    // A driver install may have replaced or removed the entry since the list was read,
    // even while the question was open: the Yes was given for the adapter it named.
    if (!EntryUnchanged(registry, keyPath, adapterName)) {
        guard.Step(
            [&] { toolkit_.MsgBox(kChangedLead + Quoted(adapterName) + kChangedTail, kMbInformation, kDeletedTitle); });
        FillList();
        return;
    }

    const DeletionOutcome outcome = RemoveKeyTree(keyPath, guard);
    // Only a deletion calls for the restart; a removal that deleted nothing changed nothing.
    if (outcome.anyDeleted) RegistryChanged = 1;

    if (outcome.anyFailed || !outcome.anyDeleted) {
        guard.Step([&] { toolkit_.MsgBox(kAccessDeniedText, kMbCritical, kAccessDeniedTitle); });
    } else {
        guard.Step([&] { toolkit_.MsgBox(kDeletedText, kMbInformation, kDeletedTitle); });
    }
    FillList();
}

// Read again as the inventory reads it, the key must still name the adapter the user
// confirmed. A key that is gone, names no adapter or another one, or whose name cannot
// be read, is not the entry the Yes was for.
bool frmList::EntryUnchanged(CLS_Registry& registry, const std::wstring& keyPath, const std::wstring& adapterName) {
    Guarded guard;
    if (!guard.Step([&] { registry.ClassKey(kHkeyLocalMachine); })) return false;
    if (!guard.Step([&] { registry.SectionKey(keyPath); })) return false;
    SelectAdapterNameValue(&registry, guard);
    bool unchanged = false;
    guard.Step([&] {
        const Variant name = registry.Value();
        unchanged = !IsEmptyResult(name) && ValueText(name) == adapterName;
    });
    return unchanged;
}

// Deleting from the deepest key up cannot be undone part-way, so the whole tree is
// held first: every key opened with the DELETE right and its subkeys all listed. A key
// that refuses either stops the removal before the first key goes. The keys are then
// deleted through the handles that were checked, so no name is looked up again.
frmList::DeletionOutcome frmList::RemoveKeyTree(const std::wstring& keyPath, Guarded& guard) {
    HeldKeyTree tree(registryApi_);
    bool complete = false;
    guard.Step([&] { complete = tree.Open(kHkeyLocalMachine, keyPath); });
    return complete ? DeleteKeys(tree, guard) : DeletionOutcome{};
}

// The platform refuses to delete a key that still has subkeys, so delete from the
// deepest up. A key that fails (one changed since the check) does not stop the others;
// nothing is put back.
frmList::DeletionOutcome frmList::DeleteKeys(HeldKeyTree& tree, Guarded& guard) {
    DeletionOutcome outcome;
    for (int32_t i = tree.Count(); i >= 1; --i) {
        // A raised error counts as a failed key too.
        if (guard.Test([&] { return !tree.Delete(i); })) {
            outcome.anyFailed = true;
        } else {
            outcome.anyDeleted = true;
        }
    }
    return outcome;
}

void frmList::Command3_Click() {
    // The hidden "Remove All" button only shows what it would remove and rescans.
    int32_t index = 0;
    if (!SelectedRecordIndex(index)) return;
    Guarded guard;
    std::wstring text;
    guard.Step([&] { text = ConfirmationText(Adapters(index).AdapterName); });
    guard.Step([&] { toolkit_.MsgBox(text, kMbInformation, kConfirmTitle); });
    FillList();
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
