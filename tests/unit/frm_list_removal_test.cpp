// Removal of the selected entry with every key below it, and of every unused entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/frm_list_fixture.h"

namespace window_test {
namespace {

using Op = MemoryRegistry::Op;

const std::wstring kWarning =
    L"You must restart Windows for the changes made to take effect. If you delete the used entry for the "
    L"currently installed graphics card, it will be automatically created again when you restart!";
const std::wstring kAccessDenied =
    L"Unabled to delete this registry key (completely). You need to run this program as administrator";

std::wstring Confirmation(const std::wstring& name) {
    return L"Are you sure to delete the display adapter entry \"" + name + L"\" from registry?\r\n\r\n" + kWarning;
}

class RemovalTest : public FrmListTest {
protected:
    // 0000 and 0002 are plain entries around 0001, the nested example:
    // 0001\A\A1, 0001\B\B1, 0001\B\B2.
    void SeedThreeWithNestedMiddle() {
        AddAdapter("0000", "First");
        AddAdapter("0001", "Nested");
        for (const char* sub : {"A\\A1", "B\\B1", "B\\B2"}) AddKey(std::string("0001\\") + sub);
        SetText("0001\\B", "Setting", "kept until deleted");
        AddAdapter("0002", "Third");
        form.FillList();
        Select(1);
    }

    std::vector<std::string> DeletedPaths() const {
        std::vector<std::string> paths;
        for (const auto& call : registry.DeleteLog()) paths.push_back(call.path);
        return paths;
    }

    // Every key of the registry outside the tree of 0001.
    std::vector<std::string> KeysOutsideNested() const {
        std::vector<std::string> keys;
        const std::string tree = Key("0001");
        for (const std::string& key : registry.AllKeys(kHkeyLocalMachine)) {
            const bool inside = key.size() >= tree.size() && key.compare(0, tree.size(), tree) == 0 &&
                                (key.size() == tree.size() || key[tree.size()] == '\\');
            if (!inside) keys.push_back(key);
        }
        return keys;
    }

    std::vector<std::string> NestedPaths(std::initializer_list<const char*> subs) const {
        std::vector<std::string> out;
        for (const char* sub : subs) out.push_back(*sub ? Key(std::string("0001\\") + sub) : Key("0001"));
        return out;
    }

    void AnswerYes() { window.toolkit.answers.push_back(kAnswerYes); }
};

TEST_F(RemovalTest, DeletesTheNestedTreeFromTheDeepestKeyUp) {
    SeedThreeWithNestedMiddle();
    Boxes().clear();
    AnswerYes();

    form.Command2_Click();

    EXPECT_EQ(DeletedPaths(), NestedPaths({"B\\B2", "B\\B1", "A\\A1", "B", "A", ""}));
    EXPECT_FALSE(HasKey("0001"));
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].prompt, Confirmation(L"Nested"));
    EXPECT_EQ(Boxes()[0].style, kMbYesNo);
    EXPECT_EQ(Boxes()[0].title, L"Registry Changes");
    EXPECT_EQ(Boxes()[1].prompt, L"Registry Key successful deleted!");
    EXPECT_EQ(Boxes()[1].style, kMbInformation);
    EXPECT_EQ(Boxes()[1].title, L"Remove Entry");
    EXPECT_EQ(form.RegistryChanged, 1);
    // The rebuilt list keeps the row position, which now holds the next entry.
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"First", L"Third"}));
    EXPECT_EQ(window.List1.index, 1);
    EXPECT_EQ(form.Adapters(2).AdapterName, L"Third");
    EXPECT_TRUE(window.Command2.enabled);
}

TEST_F(RemovalTest, EntryWithoutSubkeysIsOneDeletion) {
    AddAdapter("0000", "Only");
    form.FillList();
    AnswerYes();
    form.RemoveAdapter();
    EXPECT_EQ(DeletedPaths(), std::vector<std::string>{Key("0000")});
    EXPECT_EQ(Boxes().back().prompt, L"Registry Key successful deleted!");
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(window.Label1_1.caption, L"No graphics adapters found");
    EXPECT_FALSE(window.Command2.enabled);
    EXPECT_FALSE(window.Command3.enabled);
    EXPECT_TRUE(HasKey(""));
}

TEST_F(RemovalTest, RemovingTheLastRowLeavesNothingSelected) {
    AddAdapter("0000", "First");
    AddAdapter("0001", "Second");
    form.FillList();
    Select(1);
    AnswerYes();
    form.RemoveAdapter();
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"First"});
    EXPECT_EQ(window.List1.index, -1);
    EXPECT_FALSE(window.Command2.enabled);
}

TEST_F(RemovalTest, OneRefusedKeyStillAttemptsEveryOtherAndReportsOnce) {
    SeedThreeWithNestedMiddle();
    const std::vector<std::string> outside = KeysOutsideNested();
    Boxes().clear();
    registry.Refuse(Op::DeleteKey, kHkeyLocalMachine, Key("0001\\A\\A1"));
    AnswerYes();

    form.RemoveAdapter();

    // A1 is refused, so A and the adapter key still have subkeys and fail too.
    EXPECT_EQ(DeletedPaths(), NestedPaths({"B\\B2", "B\\B1", "A\\A1", "B", "A", ""}));
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].prompt, kAccessDenied);
    EXPECT_EQ(Boxes()[1].style, kMbCritical);
    EXPECT_EQ(Boxes()[1].title, L"Access denied");
    EXPECT_EQ(form.RegistryChanged, 1);
    // What was deleted stays deleted; nothing outside the entry's tree was touched.
    EXPECT_FALSE(HasKey("0001\\B"));
    EXPECT_TRUE(HasKey("0001\\A\\A1"));
    EXPECT_EQ(KeysOutsideNested(), outside);
    // The surviving adapter key still qualifies and is listed again.
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"First", L"Nested", L"Third"}));
    EXPECT_EQ(window.List1.index, 1);
}

// A removal that deletes nothing changes nothing: the entry stays whole, a refusal is
// reported once as such, keys that could not be read whole as no want of rights, and
// closing the window asks no restart question.
TEST_F(RemovalTest, ARemovalThatDeletesNothingLeavesTheRegistryUnchanged) {
    // The registry as it must be after the removal; a row that changes it as another
    // program would takes it again after its change.
    std::vector<std::string> before;
    // After the listing's call number `at`, a key "0" sorting before every other is added,
    // and B perhaps deleted.
    auto addWhileListed = [&](int at, bool deleteB) {
        registry.AfterEnumKey([&, at, deleteB](int call) {
            if (call != at) return;
            AddKey("0001\\0");
            if (deleteB) registry.RemoveTree(kHkeyLocalMachine, Key("0001\\B"));
            before = registry.AllKeys(kHkeyLocalMachine);
        });
    };
    struct Case {
        const char* what;
        std::function<void()> refuse;
        size_t deleteCalls;
        bool refused = true;  // a right was refused, rather than the keys not read whole
    };
    const Case cases[] = {
        // The platform refuses to open a key for deletion (the DELETE right, 0x00010000)
        // when the key's own rights forbid it; then no key of the tree may go.
        {"a deep key refuses the DELETE right",
         [&] { registry.Refuse(Op::Open, kHkeyLocalMachine, Key("0001\\B\\B1"), 5, 0x00010000); }, 0},
        // A key whose subkeys cannot all be listed may hide keys the check never saw.
        {"a key refuses the listing of its subkeys",
         [&] { registry.Refuse(Op::Open, kHkeyLocalMachine, Key("0001\\A"), 5, kKeyEnumerateSubKeys); }, 0},
        {"a listing raises an error", [&] { registry.ThrowOn(Op::EnumKey, kHkeyLocalMachine, Key("0001\\B")); }, 0,
         false},
        {"a listing fails part-way", [&] { registry.FailCall(Op::EnumKey, 2, kErrorMoreData); }, 0, false},
        {"a listing ends early, short of the key's own subkey count",
         [&] { registry.FailCall(Op::EnumKey, 2, kErrorNoMoreItems); }, 0, false},
        {"a key's subkey count cannot be read",
         [&] { registry.Refuse(Op::QueryInfo, kHkeyLocalMachine, Key("0001\\B\\B1")); }, 0},
        // Another program adds a subkey while the entry's subkeys are listed, before the
        // place the listing has reached: the new key would never be held. Added once the
        // listing has ended, only a second count sees it; added earlier, a name comes twice.
        {"a subkey is added as the listing ends", [&] { addWhileListed(3, false); }, 0, false},
        {"a subkey is added and another deleted while the keys are listed", [&] { addWhileListed(1, true); }, 0, false},
        // Counted names may hold a NUL; the wide open stops there and opens A1 instead.
        {"a name holds a NUL",
         [&] { registry.AddKey(kHkeyLocalMachine, Widen(Key("0001\\A\\A1")) + std::wstring(L"\0x", 2)); }, 0, false},
        // Every key passes the check, then refuses the deletion itself.
        {"every key refuses its deletion",
         [&] {
             for (const char* sub : {"", "A", "B", "A\\A1", "B\\B1", "B\\B2"}) {
                 registry.Refuse(Op::DeleteKey, kHkeyLocalMachine,
                                 *sub ? Key(std::string("0001\\") + sub) : Key("0001"));
             }
         },
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry = MemoryRegistry();
        registry.AddKey(kHkeyLocalMachine, kClass);
        SeedThreeWithNestedMiddle();
        c.refuse();
        before = registry.AllKeys(kHkeyLocalMachine);
        Boxes().clear();
        AnswerYes();

        form.RemoveAdapter();

        EXPECT_EQ(DeletedPaths().size(), c.deleteCalls);
        EXPECT_EQ(registry.AllKeys(kHkeyLocalMachine), before);
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
        ASSERT_EQ(Boxes().size(), 2u);
        EXPECT_EQ(Boxes()[1].prompt, c.refused
                                         ? kAccessDenied
                                         : L"The entry of the display adapter \"Nested\" could not be read whole: "
                                           L"its keys changed or could not all be listed. Nothing was deleted.");
        EXPECT_EQ(Boxes()[1].style, c.refused ? 16 : 64) << "OK with the critical or the information icon";
        EXPECT_EQ(Boxes()[1].title, c.refused ? L"Access denied" : L"Remove Entry");
        EXPECT_EQ(form.RegistryChanged, 0);
        EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"First", L"Nested", L"Third"}));

        form.Form_Unload();
        EXPECT_EQ(Boxes().size(), 2u) << "asked about a restart";
    }
}

// The removal deletes the entry's own keys through their handles: a link below it goes
// as the link key, never into the key it names; names the code page cannot spell go
// like any other, and so does a key named as they are spelled.
TEST_F(RemovalTest, TheWholeEntryGoesAndNothingItOnlyPointsTo) {
    const std::wstring elsewhere = L"SOFTWARE\\Vendor\\Profiles";
    const std::wstring nested = Widen(Key("0001"));
    struct Case {
        const char* what;
        std::function<void()> seed;
        size_t deletions;
    };
    const Case cases[] = {
        {"a link to a key elsewhere",
         [&] { registry.AddLink(kHkeyLocalMachine, nested + L"\\B\\Profiles", L"\\Registry\\Machine\\" + elsewhere); },
         7},
        // The keys are held and checked; then another program deletes one before its turn.
        {"a key deleted by another program after the check",
         [&] {
             registry.AfterQueryValue([&](int call) {
                 if (call == 1) registry.RemoveTree(kHkeyLocalMachine, Key("0001\\B\\B1"));
             });
         },
         6},
        {"names outside the code page beside their spelling",
         [&] {
             for (const wchar_t* name : {L"\x0391\x0392", L"\x4E2D\x6587", L"??"})
                 registry.AddKey(kHkeyLocalMachine, nested + L"\\A\\" + name);
         },
         9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry = MemoryRegistry();
        registry.AddKey(kHkeyLocalMachine, kClass);
        registry.AddKey(kHkeyLocalMachine, elsewhere + L"\\Inner");
        registry.SetString(kHkeyLocalMachine, "SOFTWARE\\Vendor\\Profiles", "Setting", "kept");
        SeedThreeWithNestedMiddle();
        c.seed();
        const std::vector<std::string> outside = KeysOutsideNested();
        const auto values = registry.Values(kHkeyLocalMachine, elsewhere);
        Boxes().clear();
        AnswerYes();

        form.RemoveAdapter();

        EXPECT_EQ(DeletedPaths().size(), c.deletions);
        EXPECT_FALSE(HasKey("0001"));
        EXPECT_EQ(KeysOutsideNested(), outside);
        EXPECT_EQ(registry.Values(kHkeyLocalMachine, elsewhere), values);
        ASSERT_EQ(Boxes().size(), 2u);
        EXPECT_EQ(Boxes()[1].prompt, L"Registry Key successful deleted!");
        EXPECT_EQ(form.RegistryChanged, 1);
    }
}

// The entry the user confirmed is no longer what the key holds when the Yes comes: a
// driver install replaced it, removed it, or it cannot be read. Nothing is deleted.
TEST_F(RemovalTest, AnEntryChangedWhileTheQuestionWasOpenIsNotDeleted) {
    std::vector<std::string> after;
    // Another driver install replaces the entry under the removal.
    auto replace = [&] {
        registry.RemoveTree(kHkeyLocalMachine, Key("0001"));
        AddAdapter("0001", "Newly Installed");
        AddKey("0001\\Settings\\Mode");
    };
    struct Case {
        const char* what;
        std::function<void()> change;
        std::vector<std::wstring> rows;
    };
    const Case cases[] = {
        {"replaced by another adapter's entry", replace, {L"First", L"Newly Installed", L"Third"}},
        // The name is read as the inventory reads it, "DriverDesc" probed and read twice;
        // the entry is replaced right after, before its keys are deleted.
        {"replaced after its name was read",
         [&] {
             registry.AfterQueryValue([&](int call) {
                 if (call != 4) return;
                 replace();
                 after = registry.AllKeys(kHkeyLocalMachine);
             });
         },
         {L"First", L"Newly Installed", L"Third"}},
        {"deleted", [&] { registry.RemoveTree(kHkeyLocalMachine, Key("0001")); }, {L"First", L"Third"}},
        {"no longer names an adapter", [&] { SetText("0001", "DriverDesc", ""); }, {L"First", L"Third"}},
        {"its name cannot be read",
         [&] { registry.Refuse(Op::QueryValue, kHkeyLocalMachine, Key("0001")); },
         {L"First", L"Third"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry = MemoryRegistry();
        registry.AddKey(kHkeyLocalMachine, kClass);
        SeedThreeWithNestedMiddle();
        Boxes().clear();
        window.toolkit.whileShown = [&](const fake::FakeToolkit::Box& box) {
            if (box.title != L"Registry Changes") return;
            c.change();
            after = registry.AllKeys(kHkeyLocalMachine);
        };
        AnswerYes();

        form.RemoveAdapter();
        window.toolkit.whileShown = nullptr;

        // Held keys that another program deleted may be tried; none may go.
        for (const auto& call : registry.DeleteLog()) EXPECT_NE(call.result, 0) << call.path;
        EXPECT_EQ(registry.AllKeys(kHkeyLocalMachine), after);
        ASSERT_EQ(Boxes().size(), 2u);
        EXPECT_EQ(Boxes()[1].prompt,
                  L"The entry of the display adapter \"Nested\" has changed since the list was read. "
                  L"Nothing was deleted.");
        EXPECT_EQ(Boxes()[1].style, 64) << "OK with the information icon";
        EXPECT_EQ(Boxes()[1].title, L"Remove Entry");
        EXPECT_EQ(form.RegistryChanged, 0);
        // The list is read again and shows the entry as it is now.
        EXPECT_EQ(Rows(), c.rows);
    }
}

// The inventory lists an entry whose "DriverDesc" cannot be read by its adapter string;
// the second look reads it the same way and lets the removal go on.
TEST_F(RemovalTest, AnEntryNamedByItsAdapterStringIsRemovedThoughItsDriverDescCannotBeRead) {
    AddKey("0000");
    SetBytes("0000", "DriverDesc", kRegSz, {});
    SetBytes("0000", "HardwareInformation.AdapterString", kRegBinary, Utf16(L"Named Adapter"));
    form.FillList();
    ASSERT_EQ(Rows(), std::vector<std::wstring>{L"Named Adapter"});
    Boxes().clear();
    AnswerYes();
    form.RemoveAdapter();
    EXPECT_FALSE(HasKey("0000"));
    EXPECT_EQ(form.RegistryChanged, 1);
}

TEST_F(RemovalTest, NoAtTheConfirmationChangesNothing) {
    SeedThreeWithNestedMiddle();
    const std::vector<std::string> before = registry.AllKeys(kHkeyLocalMachine);
    window.recorder.calls.clear();
    window.toolkit.answers.push_back(kAnswerNo);

    form.RemoveAdapter();

    EXPECT_TRUE(registry.DeleteLog().empty());
    EXPECT_EQ(registry.AllKeys(kHkeyLocalMachine), before);
    EXPECT_EQ(form.RegistryChanged, 0);
    EXPECT_TRUE(window.recorder.Calls(L"List1.Clear").empty());
    EXPECT_EQ(window.List1.index, 1);
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(RemovalTest, ConfirmationThatCannotBeShownDeletesNothing) {
    SeedThreeWithNestedMiddle();
    window.recorder.FailOn(L"MsgBox");
    form.RemoveAdapter();
    EXPECT_TRUE(registry.DeleteLog().empty());
    EXPECT_EQ(form.RegistryChanged, 0);
}

// A button that finds no row selected, or cannot read which, asks nothing and deletes nothing.
TEST_F(RemovalTest, NoSelectionDoesNothing) {
    struct Case {
        const char* what;
        std::function<void()> unselect;
        void (frmList::*click)();
    };
    const Case cases[] = {
        {"no row selected", [&] { Select(-1); }, &frmList::Command2_Click},
        {"the selected row cannot be read", [&] { window.recorder.FailOn(L"List1.ListIndex"); },
         &frmList::Command2_Click},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry = MemoryRegistry();
        registry.AddKey(kHkeyLocalMachine, kClass);
        window.recorder.ClearFailures();
        SeedThreeWithNestedMiddle();
        c.unselect();
        Boxes().clear();
        window.recorder.calls.clear();
        window.toolkit.unscriptedYesNo = kAnswerYes;

        (form.*c.click)();

        EXPECT_TRUE(Boxes().empty());
        EXPECT_TRUE(registry.DeleteLog().empty());
        EXPECT_TRUE(window.recorder.Calls(L"List1.Clear").empty());
        EXPECT_EQ(form.RegistryChanged, 0);
    }
}

TEST_F(RemovalTest, RowPastTheInventoryDoesNothing) {
    AddAdapter("0000", "First");
    form.FillList();
    window.List1.rows.push_back(L"not in the inventory");
    window.List1.index = 1;
    Boxes().clear();
    window.toolkit.unscriptedYesNo = kAnswerYes;
    form.RemoveAdapter();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(registry.DeleteLog().empty());
}

TEST_F(RemovalTest, WithoutTheWindowsRegistryObjectNothingHappens) {
    AddAdapter("0000", "First");
    form.FillList();
    form.Registry.reset();
    Boxes().clear();
    window.toolkit.unscriptedYesNo = kAnswerYes;
    form.RemoveAdapter();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(registry.DeleteLog().empty());
}

TEST_F(RemovalTest, EmptyAdapterNameShowsTwoAdjacentQuotes) {
    AddKey("0000");
    SetBytes("0000", "HardwareInformation.AdapterString", kRegBinary, {0, 0});
    form.FillList();
    ASSERT_EQ(form.AdapterCount, 1);
    form.RemoveAdapter();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].prompt,
              L"Are you sure to delete the display adapter entry \"\" from registry?\r\n\r\n" + kWarning);
}

TEST_F(RemovalTest, NeverReachesAboveTheEntrysOwnKey) {
    // A record that does not name a subkey of the class key is not removed.
    AddAdapter("0000", "First");
    form.FillList();
    window.toolkit.unscriptedYesNo = kAnswerYes;
    for (const std::wstring& path : {Widen(kClass), Widen(kClass) + L"\\", std::wstring(), std::wstring(L"SYSTEM"),
                                     Widen(Key("0000")) + L"\\..", Widen(Key("0000\\sub"))}) {
        form.Adapters(1).KeyPath = path;
        form.RemoveAdapter();
    }
    EXPECT_TRUE(registry.DeleteLog().empty());
    EXPECT_TRUE(HasKey("0000"));
}

TEST_F(RemovalTest, UsesARegistryObjectOfItsOwn) {
    SeedThreeWithNestedMiddle();
    const std::shared_ptr<CLS_Registry> windowRegistry = form.Registry;
    windowRegistry->ValueKey(L"marker");
    const std::wstring section = windowRegistry->SectionKey();
    AnswerYes();
    form.RemoveAdapter();
    // The scan and the deletions left the window's object where the last scan put it.
    EXPECT_EQ(windowRegistry->SectionKey(), section);
    EXPECT_EQ(windowRegistry->ValueKey(), L"marker");
    EXPECT_NE(form.Registry, windowRegistry);
    EXPECT_FALSE(HasKey("0001"));
}

// ---- Remove All ----

// 0000 is the adapter in use; 0001 and 0002 are stale, 0002 under the name of the live one.
class RemoveAllTest : public RemovalTest {
protected:
    static constexpr const wchar_t* kInUse = L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0000";

    void SeedLiveAndStale() {
        AddAdapter("0000", "Live");
        AddAdapter("0001", "Old");
        AddKey("0001\\Settings\\Mode");
        AddAdapter("0002", "Live");
        devices.devices = {{kInUse, true}};
        form.FillList();
        Boxes().clear();
        window.recorder.calls.clear();
    }
    std::vector<bool> Present() const { return {HasKey("0000"), HasKey("0001"), HasKey("0002")}; }
};

TEST_F(RemoveAllTest, RemovesTheEntriesNoPresentDeviceUses) {
    struct Outcome {
        std::wstring asked;      // a part of the question; empty: not asked
        std::vector<bool> kept;  // 0000, 0001, 0002
        std::wstring report;     // a part of the last box's text
        int32_t style;
        std::wstring title;
        size_t deviceRemovals = 0;
    };
    const std::wstring both =
        L"\"Old\" (key 0001)\r\n\"Live\" (key 0002)\r\n\r\n1 entry stays because its adapter is in use.";
    const std::wstring split =
        L"Are you sure to remove them?\r\n\r\nDeleted from registry, since no device names it:\r\n\"Live\" (key "
        L"0002)\r\n\r\nRemoved with its device, which is not connected now:\r\n\"Old\" (key 0001)\r\n";
    const std::wstring withDevice =
        L"All 2 unused display adapter entries were removed.\r\n\r\n\"Old\" (key 0001): "
        L"removed with its device\r\n\"Live\" (key 0002): deleted from registry\r\n";
    // clang-format off
    const Outcome bothGo{both, {true, false, false}, L"All 2 unused display adapter entries were deleted from registry.",
                         64, L"Remove Entry"};
    const Outcome unknown{L"", {true, true, true}, L"Windows did not tell which display adapters are present, so no "
                          L"entry can be known to be unused. Nothing was deleted.", 16, L"Remove Entry"};
    const Outcome oldStays{split, {true, true, false}, L"1 of 2 entries were removed.\r\n\r\n\"Live\" (key 0002): "
                           L"deleted from registry\r\n", 64, L"Remove Entry"};
    // clang-format on
    auto device = [&](const wchar_t* key, bool present) { devices.devices.push_back({key, present}); };
    const wchar_t* kOld = L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0001";
    // A device of 0001 that is not connected; the platform's removal deletes its keys.
    auto unplugged = [&] {
        device(kOld, false);
        devices.onRemove = [&](const MemoryDevices::Device&) { registry.RemoveTree(kHkeyLocalMachine, Key("0001")); };
    };
    // Runs at the given listing of the devices: the Yes asks twice, from the third; the
    // check right before the removal is the fifth.
    auto atListing = [&](int at, std::function<int32_t()> then) {
        devices.onClassDevs = [at, then](int call) { return call == at ? then() : 0; };
    };
    struct Case {
        const char* what;
        std::function<void()> setup;
        std::function<void()> whileAsked;
        Outcome outcome;
        int nestedRemovals = 0;  // single removals run inside the question
    };
    // clang-format off
    const Case cases[] = {
        // Windows spells the driver key's class GUID in lower case, Wine in capitals.
        {"one in use, two named by no device, in lower case", [] {}, nullptr, bothGo},
        {"the device spells the class GUID in capitals",
         [&] { devices.devices[0].driverKey = L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000"; }, nullptr, bothGo},
        {"a present device without a driver", [&] { device(L"", true); }, nullptr, bothGo},
        {"a driver key longer than the first buffer",
         [&] { device((std::wstring(L"{4d36e968-e325-11ce-bfc1-08002be10318}\\") + std::wstring(300, L'9')).c_str(), true); },
         nullptr, bothGo},
        {"a driver key without its terminator", [&] { devices.devices[0].terminated = false; }, nullptr, bothGo},
        {"a disconnected device's entry goes with its device",
         unplugged, nullptr, {split, {true, false, false}, withDevice, 64, L"Remove Entry", 1}},
        {"the device's removal leaves its key, which then goes alone", [&] { device(kOld, false); }, nullptr,
         {split, {true, false, false}, withDevice, 64, L"Remove Entry", 1}},
        {"a device connected between the question and the Yes", unplugged,
         [&] { devices.devices[1].present = true; },
         {split, {true, true, false}, L"\"Old\" (key 0001): in use now", 64, L"Remove Entry"}},
        {"a device connected right before its removal",
         [&] { unplugged(); atListing(5, [&] { devices.devices[1].present = true; return 0; }); }, nullptr,
         {oldStays.asked, oldStays.kept, L"\"Old\" (key 0001): its device may be connected now", 64, L"Remove Entry"}},
        {"a device whose absence cannot be confirmed", [&] { unplugged(); atListing(5, [] { return 5; }); }, nullptr,
         {oldStays.asked, oldStays.kept, L"\"Old\" (key 0001): its device may be connected now", 64, L"Remove Entry"}},
        {"the device's removal is refused", [&] { unplugged(); devices.failRemove = 5; }, nullptr,
         {split, {true, true, false}, L"\"Old\" (key 0001): its device could not be removed: access denied\r\n\r\nYou "
          L"need to run this program as administrator.", 16, L"Access denied"}},
        {"no present Display device at all", [&] { devices.devices.clear(); }, nullptr, unknown},
        {"presence cannot be asked", [&] { devices.failClassDevs = 5; }, nullptr, unknown},
        {"a device's driver key cannot be read", [&] { devices.failProperty = 5; }, nullptr, unknown},
        {"a driver key that is not a REG_SZ", [&] { devices.devices[0].type = 7; }, nullptr, unknown},
        // 13 also means data that is not valid: the device's driver key still opens.
        {"no driver key, though one opens", [&] { devices.failProperty = 13; }, nullptr, unknown},
        {"every entry in use",
         [&] {
             device(kOld, true);
             device(L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0002", true);
         }, nullptr,
         {L"", {true, true, true}, L"Every listed display adapter is in use. Nothing was deleted.", 64, L"Remove Entry"}},
        {"one entry unused", [&] { device(L"{4d36e968-e325-11ce-bfc1-08002be10318}\\0002", true); }, nullptr,
         {L"No present display adapter uses this entry. Are you sure to delete it from registry?\r\n\r\n\"Old\" (key "
          L"0001)\r\n\r\n2 entries stay because their adapters are in use.", {true, false, true},
          L"The unused display adapter entry was deleted from registry.", 64, L"Remove Entry"}},
        {"No to the question", [&] { window.toolkit.answers = {kAnswerNo}; }, nullptr,
         {both, {true, true, true}, L"Are you sure to delete them from registry?", 4, L"Registry Changes"}},
        {"an entry changed while the question was open", [] {}, [&] { SetText("0002", "DriverDesc", "Other"); },
         {both, {true, false, true},
          L"1 of 2 entries were deleted from registry. Not deleted:\r\n\r\n\"Live\" (key 0002): changed since the list "
          L"was read\r\n", 64, L"Remove Entry"}},
        {"a device arrives while the question is open", [] {},
         [&] { device(L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0001", true); },
         {both, {true, true, false}, L"\"Old\" (key 0001): in use now", 64, L"Remove Entry"}},
        // Another removal inside the question deletes the first row and rebuilds the list:
        // the Yes still goes to the entries the question named, not to their old rows.
        {"a removal runs inside the question", [] {},
         [&, inside = false]() mutable {
             if (std::exchange(inside, true)) return;
             window.toolkit.answers = {kAnswerYes, kAnswerOk, kAnswerYes};
             Select(0);
             form.RemoveAdapter();
         },
         {both, {false, false, false}, L"All 2 unused display adapter entries were deleted", 64, L"Remove Entry"}, 1},
        {"one entry refuses the right to delete it",
         [&] { registry.Refuse(Op::Open, kHkeyLocalMachine, Key("0001\\Settings"), 5, 0x00010000); }, nullptr,
         {both, {true, true, false},
          L"\"Old\" (key 0001): access denied\r\n\r\nYou need to run this program as administrator.", 16,
          L"Access denied"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome& o = c.outcome;
        registry = MemoryRegistry();
        registry.AddKey(kHkeyLocalMachine, kClass);
        devices = MemoryDevices();
        form.RegistryChanged = 0;
        window.toolkit.answers = {kAnswerYes};
        SeedLiveAndStale();
        c.setup();
        window.toolkit.whileShown = [&](const fake::FakeToolkit::Box& box) {
            if (box.title == L"Registry Changes" && c.whileAsked) c.whileAsked();
        };

        form.Command3_Click();
        window.toolkit.whileShown = nullptr;

        ASSERT_FALSE(Boxes().empty());
        const bool asked = !o.asked.empty();
        const bool yes = asked && o.style != 4;
        if (asked) {
            EXPECT_NE(Boxes()[0].prompt.find(o.asked), std::wstring::npos) << Boxes()[0].prompt;
        }
        EXPECT_EQ(Boxes().size(), (yes ? 2u : 1u) + 2u * c.nestedRemovals);
        EXPECT_NE(Boxes().back().prompt.find(o.report), std::wstring::npos) << Boxes().back().prompt;
        EXPECT_EQ(Boxes().back().style, o.style);
        EXPECT_EQ(Boxes().back().title, o.title);
        EXPECT_EQ(Present(), o.kept);
        EXPECT_EQ(devices.RemoveCount(), o.deviceRemovals);
        EXPECT_EQ(form.RegistryChanged, o.kept[1] && o.kept[2] ? 0 : 1);
        // One scan at the end of a removal, none when nothing was asked or No was said.
        EXPECT_EQ(window.recorder.Calls(L"List1.Clear").size(), (yes ? 1u : 0u) + c.nestedRemovals);
    }
}

TEST_F(RemoveAllTest, TheQuestionNamesTwentyEntriesAndCountsTheRest) {
    AddAdapter("0000", "Live");
    for (int i = 1; i <= 23; ++i) AddAdapter(std::to_string(1000 + i), "Stale " + std::to_string(i));
    devices.devices = {{kInUse, true}};
    form.FillList();
    Boxes().clear();
    form.Command3_Click();
    ASSERT_EQ(Boxes().size(), 1u);
    const std::wstring& prompt = Boxes()[0].prompt;
    EXPECT_NE(prompt.find(L"\"Stale 20\" (key 1020)\r\n... and 3 more\r\n"), std::wstring::npos);
    EXPECT_EQ(prompt.find(L"Stale 21"), std::wstring::npos);
}

}  // namespace
}  // namespace window_test
