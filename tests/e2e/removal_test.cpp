// Removing an adapter entry through the running program: the confirmation, the deletion
// of the entry's whole key tree from the real registry, the rebuilt list, and the restart
// question when the window closes afterwards.

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "platform/win32_device_setup_api.h"
#include "registry/win32_registry_api.h"
#include "tests/e2e/display_class.h"
#include "tests/e2e/display_class_seed.h"
#include "tests/e2e/program_session.h"
#include "window/adapter_presence.h"
#include "window/control_ids.h"

namespace {

const SeedEntry kAlpha{
    L"0201", {TextValue(L"DriverDesc", L"Stale Adapter Alpha"), TextValue(L"ProviderName", L"Old Vendor")}, {}};

// An entry with keys below it, two levels deep.
const SeedEntry kNested{L"0202",
                        {TextValue(L"DriverDesc", L"Stale Adapter Nested"), TextValue(L"DriverVersion", L"2.0")},
                        {{L"A", {TextValue(L"Mode", L"1024x768")}},
                         {L"A\\A1", {NumberValue(L"Depth", 32)}},
                         {L"B", {}},
                         {L"B\\B1", {TextValue(L"Name", L"one")}},
                         {L"B\\B2", {Utf16BinaryValue(L"Blob", L"two")}}}};

const SeedEntry kOmega{
    L"0203", {TextValue(L"DriverDesc", L"Stale Adapter Omega"), TextValue(L"DriverDate", L"5-5-2005")}, {}};

// Keys below this entry have names with no form in the ANSI code page, beside a key named
// as the code page spells them ("??"). They go with the entry like any other key.
const SeedEntry kScripts{
    L"0204",
    {TextValue(L"DriverDesc", L"Stale Adapter Scripts")},
    {{L"Plain", {}}, {L"Cache \u03A9", {TextValue(L"Size", L"64")}}, {L"\u4E2D\u6587", {}}, {L"??", {}}}};

const wchar_t kOmegaDetails[] =
    L"Adapter Name:\tStale Adapter Omega\r\n"
    L"Manufacturer:\t\r\n"
    L"BIOS Version:\t\r\n"
    L"Driver Version:\t\r\n"
    L"Driver Date:\t5-5-2005\r\n";

const wchar_t kRestartQuestion[] =
    L"The registry has been changed! Please restart Windows to take effect. If you don't see "
    L"after reboot no driver details in this list, please reinstall the current driver! "
    L"Restart now?";

std::wstring Confirmation(const std::wstring& adapter) {
    return L"Are you sure to delete the display adapter entry \"" + adapter +
           L"\" from registry?\r\n\r\nYou must restart Windows for the changes made to take "
           L"effect. If you delete the used entry for the currently installed graphics card, "
           L"it will be automatically created again when you restart!";
}

int RowOf(const std::vector<std::wstring>& rows, const std::wstring& name) {
    const auto found = std::find(rows.begin(), rows.end(), name);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

std::vector<std::wstring> Without(std::vector<std::wstring> rows, const std::wstring& name) {
    rows.erase(std::remove(rows.begin(), rows.end(), name), rows.end());
    return rows;
}

// A registry snapshot without the lines of one subkey's tree.
std::vector<std::wstring> WithoutTree(const std::vector<std::wstring>& snapshot, const std::wstring& subkey) {
    std::vector<std::wstring> kept;
    bool inTree = false;
    for (const std::wstring& line : snapshot) {
        if (line.rfind(L"key [", 0) == 0) {
            inTree = line == L"key [" + subkey + L"]" || line.rfind(L"key [" + subkey + L"\\", 0) == 0;
        }
        if (!inTree) kept.push_back(line);
    }
    return kept;
}

std::wstring CountLine(size_t rows) {
    if (rows == 1) return L"1 graphics adapter found";
    return std::to_wstring(rows) + L" graphics adapters found";
}

std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* parts = CommandLineToArgvW(commandLine.c_str(), &count);
    if (parts == nullptr) return arguments;
    arguments.assign(parts, parts + count);
    LocalFree(parts);
    return arguments;
}

std::wstring SystemShutdownPath() {
    wchar_t directory[MAX_PATH] = {};
    GetSystemDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\shutdown.exe";
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Selects the entry's row and presses "&Remove Adapter"; returns the confirmation.
std::optional<MessageBoxView> AskToRemove(const ProgramSession& session, const std::wstring& adapter) {
    const AppWindow& window = session.Window();
    const int row = RowOf(window.ListRows(), adapter);
    if (row < 0) return std::nullopt;
    window.SelectRow(row);
    window.PressButton(kIdCommand2);
    return session.WaitForMessageBox();
}

// A removal reports once: an OK box with its icon, answered OK, and no box after it.
void ExpectOneReport(const ProgramSession& session, const std::wstring& title, const std::wstring& text) {
    const auto report = session.WaitForMessageBox();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->title, title);
    EXPECT_EQ(report->text, text);
    EXPECT_EQ(report->buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(report->hasIcon);
    ASSERT_TRUE(message_box::Answer(*report, IDOK));
    session.Window().Sync();
    EXPECT_FALSE(session.MessageBoxNow().has_value()) << "reported more than once";
}

void ExpectSuccessReport(const ProgramSession& session) {
    ExpectOneReport(session, L"Remove Entry", L"Registry Key successful deleted!");
}

// Removes the entry, answering Yes and then OK to the success report.
void Remove(const ProgramSession& session, const std::wstring& adapter) {
    const auto confirmation = AskToRemove(session, adapter);
    ASSERT_TRUE(confirmation.has_value());
    ASSERT_TRUE(message_box::Answer(*confirmation, IDYES));
    ExpectSuccessReport(session);
}

class RemovalTest : public ::testing::Test {
protected:
    ProgramSession session{{kAlpha, kNested, kOmega}};
    const AppWindow& window = session.Window();
};

TEST_F(RemovalTest, ConfirmedRemovalDeletesTheWholeTreeAndRebuildsTheList) {
    const std::vector<std::wstring> snapshot = display_class::Snapshot();
    const std::vector<std::wstring> rows = window.ListRows();
    const int row = RowOf(rows, L"Stale Adapter Nested");
    ASSERT_GE(row, 0);
    ASSERT_EQ(RowOf(rows, L"Stale Adapter Omega"), row + 1);
    ASSERT_TRUE(display_class::KeyExists(L"0202\\B\\B2"));

    const auto confirmation = AskToRemove(session, L"Stale Adapter Nested");
    ASSERT_TRUE(confirmation.has_value());
    EXPECT_EQ(confirmation->title, L"Registry Changes");
    EXPECT_EQ(confirmation->text, Confirmation(L"Stale Adapter Nested"));
    EXPECT_EQ(confirmation->buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(confirmation->hasIcon);
    ASSERT_TRUE(message_box::Answer(*confirmation, IDYES));
    ExpectSuccessReport(session);

    // The entry's tree is gone; the class key, its other values and subkeys are as before.
    EXPECT_FALSE(display_class::KeyExists(L"0202"));
    EXPECT_EQ(display_class::Snapshot(), WithoutTree(snapshot, L"0202"));

    // The list is rebuilt with the selection on the same row, now the next entry.
    const std::vector<std::wstring> expected = Without(rows, L"Stale Adapter Nested");
    EXPECT_EQ(window.ListRows(), expected);
    EXPECT_EQ(window.ListSelection(), row);
    EXPECT_EQ(window.ControlText(kIdText1), kOmegaDetails);
    EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
    EXPECT_TRUE(window.ControlEnabled(kIdCommand3));
    EXPECT_EQ(window.ControlText(kIdLabel1_1), CountLine(expected.size()));
    EXPECT_FALSE(session.MessageBoxNow().has_value());
}

TEST_F(RemovalTest, AnsweringNoChangesNothing) {
    const std::vector<std::wstring> snapshot = display_class::Snapshot();
    const std::vector<std::wstring> rows = window.ListRows();
    const int row = RowOf(rows, L"Stale Adapter Alpha");

    const auto confirmation = AskToRemove(session, L"Stale Adapter Alpha");
    ASSERT_TRUE(confirmation.has_value());
    EXPECT_EQ(confirmation->text, Confirmation(L"Stale Adapter Alpha"));
    const std::wstring details = window.ControlText(kIdText1);
    ASSERT_TRUE(message_box::Answer(*confirmation, IDNO));
    window.Sync();

    EXPECT_FALSE(session.MessageBoxNow().has_value());
    EXPECT_EQ(display_class::Snapshot(), snapshot);
    EXPECT_EQ(window.ListRows(), rows);
    EXPECT_EQ(window.ListSelection(), row);
    EXPECT_EQ(window.ControlText(kIdText1), details);

    // Nothing was changed, so closing asks nothing.
    window.PressButton(kIdCommand1);
    const ProgramSession::Ending ending = session.WaitForEnd();
    EXPECT_TRUE(ending.exited);
    EXPECT_FALSE(ending.box.has_value()) << testing::PrintToString(ending.box->text);
}

TEST_F(RemovalTest, RemovingTheLastRowLeavesNothingSelected) {
    const std::vector<std::wstring> rows = window.ListRows();
    ASSERT_EQ(RowOf(rows, L"Stale Adapter Omega"), static_cast<int>(rows.size()) - 1);

    Remove(session, L"Stale Adapter Omega");
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_FALSE(display_class::KeyExists(L"0203"));
    EXPECT_TRUE(display_class::KeyExists(L"0202\\B\\B2"));
    EXPECT_EQ(window.ListRows(), Without(rows, L"Stale Adapter Omega"));
    EXPECT_EQ(window.ListSelection(), -1);
    EXPECT_FALSE(window.ControlEnabled(kIdCommand2));
    // Nothing is selected, so nothing rewrites the details box.
    EXPECT_EQ(window.ControlText(kIdText1), kOmegaDetails);
}

// A key elsewhere in HKEY_LOCAL_MACHINE, with a value and a subkey of its own, that a
// link below an entry names; removed again when the test ends.
class LinkTarget {
public:
    static constexpr const wchar_t* kPath = L"SOFTWARE\\TalvorinRemovalLinkTarget";
    LinkTarget() {
        UniqueHkey key;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kPath) + L"\\Inner").c_str(), 0,
                                                 nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPath, L"Setting", REG_SZ, L"kept", 10));
    }
    ~LinkTarget() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPath); }
    LinkTarget(const LinkTarget&) = delete;
    LinkTarget& operator=(const LinkTarget&) = delete;

    // A link key at relative (below the class key) naming this key.
    static void LinkFrom(const std::wstring& relative) {
        UniqueHkey link;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, display_class::PathOf(relative).c_str(), 0, nullptr,
                                  REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, link.Put(), nullptr));
        const std::wstring target = std::wstring(L"\\Registry\\Machine\\") + kPath;
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                                                reinterpret_cast<const BYTE*>(target.c_str()),
                                                static_cast<DWORD>(target.size() * sizeof(wchar_t))));
    }
    static bool Holds(const wchar_t* subkey) {
        UniqueHkey key;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kPath) + subkey).c_str(), 0, KEY_READ, key.Put()) ==
               ERROR_SUCCESS;
    }
    static std::wstring Setting() {
        wchar_t text[16] = {};
        DWORD size = sizeof text;
        RegGetValueW(HKEY_LOCAL_MACHINE, kPath, L"Setting", RRF_RT_REG_SZ, nullptr, text, &size);
        return text;
    }
};

// The entry goes whole: its keys named in any script, and a link below it as the link key
// alone, while the key the link names keeps its value and subkey. The link is made after
// the list was read, as another program may.
TEST(WholeRemovalTest, ALinkAndNamesInAnyScriptGoWithTheEntryAndNothingElse) {
    ProgramSession session{{kAlpha, kScripts}};
    const AppWindow& window = session.Window();
    const std::vector<std::wstring> snapshot = display_class::Snapshot();
    const LinkTarget target;
    LinkTarget::LinkFrom(L"0204\\Plain\\Profiles");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(display_class::KeyExists(L"0204\\Plain\\Profiles\\Inner")) << "the link leads to its target";

    Remove(session, L"Stale Adapter Scripts");
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_FALSE(display_class::KeyExists(L"0204"));
    EXPECT_EQ(display_class::Snapshot(), WithoutTree(snapshot, L"0204"));
    EXPECT_TRUE(LinkTarget::Holds(L"\\Inner"));
    EXPECT_EQ(LinkTarget::Setting(), L"kept");
    EXPECT_EQ(RowOf(window.ListRows(), L"Stale Adapter Scripts"), -1);
    EXPECT_GE(RowOf(window.ListRows(), L"Stale Adapter Alpha"), 0);
}

// A stale entry with a key of its own below it, and the entry a driver install writes in
// its place: another adapter, with keys of its own.
const SeedEntry kStale{
    L"0205", {TextValue(L"DriverDesc", L"Stale Adapter Replaced")}, {{L"Settings", {TextValue(L"Mode", L"800x600")}}}};
const SeedEntry kInstalled{
    L"0205",
    {TextValue(L"DriverDesc", L"Freshly Installed Adapter"), TextValue(L"ProviderName", L"New Vendor")},
    {{L"Settings", {NumberValue(L"Depth", 32)}}, {L"Settings\\Monitor", {}}, {L"VideoID", {}}}};

// While the confirmation is open the entry is deleted and, in one case, written again for
// another adapter. The Yes was for the stale adapter, so nothing may be deleted.
struct ChangeCase {
    const char* name;
    bool installed;
};

void PrintTo(const ChangeCase& change, std::ostream* out) {
    *out << change.name;
}

class ChangedEntryTest : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangedEntryTest, AnEntryChangedWhileTheQuestionIsOpenIsNotDeleted) {
    const ChangeCase& change = GetParam();
    ProgramSession session{{kAlpha, kStale}};
    const AppWindow& window = session.Window();
    ASSERT_TRUE(display_class::KeyExists(L"0205\\Settings"));

    const auto confirmation = AskToRemove(session, L"Stale Adapter Replaced");
    ASSERT_TRUE(confirmation.has_value());
    ASSERT_EQ(confirmation->text, Confirmation(L"Stale Adapter Replaced"));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, display_class::PathOf(L"0205").c_str()));
    DisplayClassSeed install;
    if (change.installed) install.Add(kInstalled);
    const std::vector<std::wstring> changed = display_class::Snapshot();
    ASSERT_TRUE(message_box::Answer(*confirmation, IDYES));

    ExpectOneReport(session, L"Remove Entry",
                    L"The entry of the display adapter \"Stale Adapter Replaced\" has changed since the list was "
                    L"read. Nothing was deleted.");

    // Every key and value is as the install left it; the list shows the entry as it is now.
    EXPECT_EQ(display_class::Snapshot(), changed);
    for (const wchar_t* key : {L"0205", L"0205\\Settings", L"0205\\Settings\\Monitor", L"0205\\VideoID"}) {
        EXPECT_EQ(display_class::KeyExists(key), change.installed) << testing::PrintToString(std::wstring(key));
    }
    const std::vector<std::wstring> rows = window.ListRows();
    EXPECT_EQ(RowOf(rows, L"Stale Adapter Replaced"), -1);
    EXPECT_EQ(RowOf(rows, L"Freshly Installed Adapter") >= 0, change.installed);
    EXPECT_GE(RowOf(rows, L"Stale Adapter Alpha"), 0);
    EXPECT_EQ(window.ControlText(kIdLabel1_1), CountLine(rows.size()));

    // Nothing was deleted, so closing asks nothing.
    window.PressButton(kIdCommand1);
    const ProgramSession::Ending ending = session.WaitForEnd();
    EXPECT_TRUE(ending.exited);
    EXPECT_FALSE(ending.box.has_value()) << testing::PrintToString(ending.box->text);
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangedEntryTest,
                         ::testing::Values(ChangeCase{"ReplacedByAnotherAdapter", true}, ChangeCase{"Deleted", false}),
                         [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// A device node of the Display class below Enum, as an installed adapter has one; under
// Wine every node there counts as present. Removed again when the test ends.
class DisplayDeviceNode {
public:
    static constexpr const wchar_t* kDevice = L"SYSTEM\\CurrentControlSet\\Enum\\ROOT\\TALVORIN_TEST_DISPLAY";
    explicit DisplayDeviceNode(const std::wstring& entry) {
        const std::wstring node = std::wstring(kDevice) + L"\\0000";
        const std::wstring guid = L"{4d36e968-e325-11ce-bfc1-08002be10318}";
        for (const auto& [name, text] : {std::pair<const wchar_t*, std::wstring>{L"ClassGUID", guid},
                                         {L"Class", L"Display"},
                                         {L"Driver", guid + L"\\" + entry}}) {
            const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
            EXPECT_EQ(ERROR_SUCCESS,
                      RegSetKeyValueW(HKEY_LOCAL_MACHINE, node.c_str(), name, REG_SZ, text.c_str(), bytes));
        }
    }
    ~DisplayDeviceNode() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDevice); }
    DisplayDeviceNode(const DisplayDeviceNode&) = delete;
    DisplayDeviceNode& operator=(const DisplayDeviceNode&) = delete;
};

// The forwarder's SetupDiCallClassInstaller(DIF_REMOVE 5), on a node made by hand as a
// device that is not connected keeps one, listed without DIGCF_PRESENT: the node goes and
// nothing else below Enum; Wine's own adapter and entry stay. Windows deletes the driver
// key with its subkeys; Wine 8 deletes it with RegDeleteKey, which a key that has
// subkeys refuses, so there it stays whole, as the program's removal expects of either.
TEST(DeviceRemovalTest, RemovingANodeTakesItAndAtMostItsDriverKey) {
    const wchar_t* kEnum = L"SYSTEM\\CurrentControlSet\\Enum";
    const std::vector<std::wstring> nodes = display_class::SnapshotOf(kEnum);
    const SeedEntry entry{L"0250", {TextValue(L"DriverDesc", L"Unplugged Adapter")}, {{L"Settings", {}}}};
    DisplayClassSeed seed;
    seed.Add(entry);
    const std::vector<std::wstring> entries = display_class::Snapshot();
    const DisplayDeviceNode node(L"0250");
    Win32DeviceSetupApi api;
    int32_t removed = -1;
    ForEachDisplayDevice(api, 0, [&](DeviceInfoSet set, const DeviceInfoData& device) {
        std::wstring id;
        if (!ReadInstanceId(api, set, device, id) || _wcsicmp(id.c_str(), L"ROOT\\TALVORIN_TEST_DISPLAY\\0000") != 0) {
            return Visit::Next;
        }
        removed = api.CallClassInstaller(5, set, device);
        return Visit::Done;
    });
    EXPECT_EQ(removed, 0) << "not found (-1) or refused";
    EXPECT_EQ(display_class::SnapshotOf(kEnum), nodes);
    const std::vector<std::wstring> after = display_class::Snapshot();
    EXPECT_TRUE(after == entries || after == WithoutTree(entries, L"0250")) << "more than the driver key changed";
    EXPECT_TRUE(display_class::KeyExists(L"0000"));
}

// "Remove All": the entry a device node names stays, and so does the platform's own; the
// stale ones go whole, one of them under the live adapter's name.
TEST(RemoveAllTest, RemovesEveryEntryNoPresentDeviceNames) {
    const SeedEntry live{L"0210", {TextValue(L"DriverDesc", L"Shared Name Adapter")}, {}};
    const SeedEntry twin{L"0211", {TextValue(L"DriverDesc", L"Shared Name Adapter")}, {{L"Settings", {}}}};
    const DisplayDeviceNode node(L"0210");
    ProgramSession session{{live, twin, kNested}};
    const AppWindow& window = session.Window();
    const std::vector<std::wstring> snapshot = display_class::Snapshot();

    window.PressButton(kIdCommand3);
    const auto question = session.WaitForMessageBox();
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->title, L"Registry Changes");
    EXPECT_EQ(question->buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(question->hasIcon);
    EXPECT_EQ(question->text,
              L"No present display adapter uses these 2 entries. Are you sure to delete them from registry?\r\n\r\n"
              L"\"Stale Adapter Nested\" (key 0202)\r\n\"Shared Name Adapter\" (key 0211)\r\n\r\n"
              L"2 entries stay because their adapters are in use.\r\n\r\n"
              L"You must restart Windows for the changes made to take effect.");
    ASSERT_TRUE(message_box::Answer(*question, IDYES));
    ExpectOneReport(session, L"Remove Entry", L"All 2 unused display adapter entries were deleted from registry.");

    EXPECT_EQ(display_class::Snapshot(), WithoutTree(WithoutTree(snapshot, L"0211"), L"0202"));
    EXPECT_TRUE(display_class::KeyExists(L"0000"));
    EXPECT_TRUE(display_class::KeyExists(L"0210"));
    EXPECT_EQ(window.ListRows().size(), 2u);
    EXPECT_GE(RowOf(window.ListRows(), L"Shared Name Adapter"), 0);
}

// Another program's command of "&Remove Adapter" (WM_COMMAND: the button's id in the low
// word, BN_CLICKED 0 in the high word, its window in lParam), posted while Remove All's
// question is open, runs once Remove All has ended; the Yes deletes what the question named.
TEST_F(RemovalTest, ACommandSentWhileRemoveAllAsksRunsAfterIt) {
    const std::vector<std::wstring> snapshot = display_class::Snapshot();
    window.PressButton(kIdCommand3);
    const auto question = session.WaitForMessageBox();
    ASSERT_TRUE(question.has_value());
    ASSERT_EQ(question->title, L"Registry Changes");
    PostMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(kIdCommand2, 0),
                 reinterpret_cast<LPARAM>(window.Control(kIdCommand2)));
    window.Sync();
    const auto open = session.MessageBoxNow();
    ASSERT_TRUE(open.has_value());
    EXPECT_EQ(open->text, question->text) << "the command ran inside the question";
    ASSERT_TRUE(message_box::Answer(*question, IDYES));

    const auto report = session.WaitForMessageBox();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->text, L"All 3 unused display adapter entries were deleted from registry.");
    ASSERT_TRUE(message_box::Answer(*report, IDOK));
    // Then the held command: the single removal's question for the first row, which the
    // rebuilt list selects, Wine's own adapter.
    const auto held = session.WaitForMessageBox();
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->title, L"Registry Changes");
    EXPECT_NE(held->text.find(L"Are you sure to delete the display adapter entry"), std::wstring::npos);
    ASSERT_TRUE(message_box::Answer(*held, IDNO));
    EXPECT_EQ(display_class::Snapshot(), WithoutTree(WithoutTree(WithoutTree(snapshot, L"0201"), L"0202"), L"0203"));
}

bool HasModule(const std::vector<std::wstring>& modules, const std::wstring& name) {
    return std::any_of(modules.begin(), modules.end(),
                       [&](const std::wstring& module) { return SamePath(module, name); });
}

// The device-installation DLL (setupapi) is loaded from the system folder when "Remove
// All" first asks which adapters are present, never at start: seen from outside, in the
// module list of the program's process. The list shows the program's own file and
// kernel32, so it does list that process's modules, and shows setupapi once Remove All
// has asked.
TEST(RemoveAllTest, LoadsTheDeviceInstallationDllOnlyWhenItFirstAsks) {
    ProgramSession session;
    session.Window().Sync();
    const std::wstring path = ProgramPath();
    const std::wstring program = path.substr(path.find_last_of(L"\\/") + 1);

    const std::vector<std::wstring> atStart = session.Process().Modules();
    EXPECT_TRUE(HasModule(atStart, program)) << testing::PrintToString(atStart);
    EXPECT_TRUE(HasModule(atStart, L"kernel32.dll")) << testing::PrintToString(atStart);
    EXPECT_FALSE(HasModule(atStart, L"setupapi.dll")) << "loaded at start";

    session.Window().PressButton(kIdCommand3);
    const auto box = session.WaitForMessageBox();
    ASSERT_TRUE(box.has_value()) << "Remove All showed no box";
    const std::vector<std::wstring> asked = session.Process().Modules();
    EXPECT_TRUE(HasModule(asked, L"setupapi.dll")) << testing::PrintToString(asked);
    // Deletes nothing: No to a question, OK to a report.
    ASSERT_TRUE(message_box::Answer(*box, box->buttons.back()));
}

// After a removal, closing asks whether to restart, once, however the window is closed.
struct RestartCase {
    const char* name;
    void (*close)(const AppWindow&);
    int answer;
    bool restarts;
};

void PrintTo(const RestartCase& restart, std::ostream* out) {
    *out << restart.name;
}

class RestartTest : public ::testing::TestWithParam<RestartCase> {};

TEST_P(RestartTest, ClosingAfterARemovalAsksOnceAndRestartsOnlyOnYes) {
    const RestartCase& restart = GetParam();
    ProgramSession session{{kAlpha, kNested, kOmega}};
    Remove(session, L"Stale Adapter Alpha");
    ASSERT_FALSE(HasFatalFailure());

    restart.close(session.Window());

    const ProgramSession::Ending asked = session.WaitForEnd();
    ASSERT_FALSE(asked.exited) << "closed without asking";
    ASSERT_TRUE(asked.box.has_value());
    EXPECT_EQ(asked.box->title, L"Reboot recommended");
    EXPECT_EQ(asked.box->text, kRestartQuestion);
    EXPECT_EQ(asked.box->buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(asked.box->hasIcon);
    ASSERT_TRUE(message_box::Answer(*asked.box, restart.answer));

    const ProgramSession::Ending ending = session.WaitForEnd();
    EXPECT_TRUE(ending.exited);
    EXPECT_FALSE(ending.box.has_value()) << "asked again: " << testing::PrintToString(ending.box->text);

    const std::vector<StartedProcess> started = session.Process().Children();
    if (!restart.restarts) {
        EXPECT_TRUE(started.empty()) << testing::PrintToString(started.front().commandLine);
        return;
    }
    ASSERT_EQ(started.size(), 1u);
    const std::vector<std::wstring> arguments = Arguments(started[0].commandLine);
    ASSERT_EQ(arguments.size(), 4u) << testing::PrintToString(started[0].commandLine);
    EXPECT_TRUE(SamePath(arguments[0], SystemShutdownPath())) << testing::PrintToString(arguments[0]);
    EXPECT_EQ(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()),
              (std::vector<std::wstring>{L"-r", L"-t", L"00"}));
    EXPECT_TRUE(SamePath(started[0].imagePath, SystemShutdownPath())) << testing::PrintToString(started[0].imagePath);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RestartTest,
    ::testing::Values(RestartCase{"NoByTheCloseBox", [](const AppWindow& w) { w.PressCloseBox(); }, IDNO, false},
                      RestartCase{"YesByTheCloseButton", [](const AppWindow& w) { w.PressButton(kIdCommand1); }, IDYES,
                                  true}),
    [](const ::testing::TestParamInfo<RestartCase>& info) { return std::string(info.param.name); });

}  // namespace
