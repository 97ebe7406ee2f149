// The inventory scan and the details view.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/frm_list_fixture.h"

namespace window_test {
namespace {

using fake::FakeToolkit;

const std::wstring kInvalidArgument = L"Invalid procedure call or argument";

std::wstring Details(const std::wstring& name, const std::wstring& provider, const std::wstring& bios,
                     const std::wstring& version, const std::wstring& date) {
    return L"Adapter Name:\t" + name + L"\r\n" + L"Manufacturer:\t" + provider + L"\r\n" + L"BIOS Version:\t" + bios +
           L"\r\n" + L"Driver Version:\t" + version + L"\r\n" + L"Driver Date:\t" + date + L"\r\n";
}

// ---- keep rule ----

struct KeepCase {
    const char* name;
    std::function<void(MemoryRegistry&, const std::string& key)> seed;  // seeds one subkey
    bool kept;
    std::wstring adapterName;
};

constexpr int32_t kHklm = kHkeyLocalMachine;

void Text(MemoryRegistry& r, const std::string& key, const char* name, const char* text) {
    r.SetString(kHklm, key, name, text);
}
void Binary(MemoryRegistry& r, const std::string& key, const char* name, std::vector<uint8_t> data) {
    r.SetValue(kHklm, key, name, kRegBinary, std::move(data));
}

class KeepRuleTest : public FrmListTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepRuleTest, KeepsExactlyTheSubkeysThatNameAnAdapter) {
    AddKey("0000");
    GetParam().seed(registry, Key("0000"));
    form.FillList();
    EXPECT_TRUE(Boxes().empty());
    if (!GetParam().kept) {
        EXPECT_EQ(form.AdapterCount, 0);
        EXPECT_TRUE(Rows().empty());
        return;
    }
    ASSERT_EQ(form.AdapterCount, 1);
    EXPECT_EQ(form.Adapters(1).AdapterName, GetParam().adapterName);
    EXPECT_EQ(Rows(), std::vector<std::wstring>{GetParam().adapterName});
}

using R = MemoryRegistry;
using K = const std::string&;

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepRuleTest,
    ::testing::Values(
        KeepCase{"DriverDesc", [](R& r, K k) { Text(r, k, "DriverDesc", "Radeon"); }, true, L"Radeon"},
        KeepCase{"DriverDescWinsOverAdapterString",
                 [](R& r, K k) {
                     Text(r, k, "DriverDesc", "Radeon");
                     Binary(r, k, "HardwareInformation.AdapterString", Utf16(L"Other"));
                 },
                 true, L"Radeon"},
        KeepCase{"EmptyDriverDescFallsBackToBinaryAdapterString",
                 [](R& r, K k) {
                     Text(r, k, "DriverDesc", "");
                     Binary(r, k, "HardwareInformation.AdapterString", Utf16(std::wstring(L"Wine VGA\0", 9)));
                 },
                 true, L"Wine VGA"},
        KeepCase{"MissingDriverDescFallsBackToTextAdapterString",
                 [](R& r, K k) { Text(r, k, "HardwareInformation.AdapterString", "GeForce"); }, true, L"GeForce"},
        KeepCase{"NeitherNameValue", [](R& r, K k) { Text(r, k, "ProviderName", "ATI"); }, false, L""},
        KeepCase{"BothNameValuesEmpty",
                 [](R& r, K k) {
                     Text(r, k, "DriverDesc", "");
                     Binary(r, k, "HardwareInformation.AdapterString", {});
                 },
                 false, L""},
        // A number is never empty, even 0.
        KeepCase{"NumericDriverDesc", [](R& r, K k) { r.SetDword(kHklm, k, "DriverDesc", 0); }, true, L"0"},
        // Emptiness is judged before the NULs go: a lone terminator is not empty.
        KeepCase{"AdapterStringOfOnlyATerminator",
                 [](R& r, K k) {
                     Binary(r, k, "HardwareInformation.AdapterString", {0, 0});
                 },
                 true, L""},
        // A single byte makes no character.
        KeepCase{"AdapterStringOfOneByte", [](R& r, K k) { Binary(r, k, "HardwareInformation.AdapterString", {'A'}); },
                 false, L""},
        // A key whose values cannot be read counts as one without them.
        KeepCase{"UnreadableKey",
                 [](R& r, K k) {
                     Text(r, k, "DriverDesc", "Radeon");
                     r.Refuse(MemoryRegistry::Op::Open, kHklm, k, 5, kKeyQueryValue);
                 },
                 false, L""}),
    [](const ::testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

// ---- fields and order ----

TEST_F(FrmListTest, RecordHoldsEveryFieldOfTheEntry) {
    AddAdapter("0001", "Radeon RX 580");
    SetText("0001", "HardwareInformation.BiosString", "113-C94");
    SetText("0001", "DriverDate", "8-13-2021");
    registry.SetDword(kHkeyLocalMachine, Key("0001"), "DriverVersion", 3012);
    SetText("0001", "ProviderName", "Advanced Micro Devices, Inc.");

    form.FillList();

    ASSERT_EQ(form.AdapterCount, 1);
    const AdapterRecord& r = form.Adapters(1);
    // Written out: the fixture seeds below the window's own constant, so this line is
    // what holds that constant to the real key.
    EXPECT_EQ(r.KeyPath, L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0001");
    EXPECT_EQ(r.SubkeyName, L"0001");
    EXPECT_EQ(r.AdapterName, L"Radeon RX 580");
    EXPECT_EQ(r.BiosVersion, L"113-C94");
    EXPECT_EQ(r.DriverDate, L"8-13-2021");
    EXPECT_EQ(r.DriverVersion, L"3012");
    EXPECT_EQ(r.ProviderName, L"Advanced Micro Devices, Inc.");
}

TEST_F(FrmListTest, AbsentOptionalValuesLeaveTheirFieldsEmpty) {
    AddAdapter("0000", "Basic Display");
    form.FillList();
    ASSERT_EQ(form.AdapterCount, 1);
    const AdapterRecord& r = form.Adapters(1);
    EXPECT_EQ(r.BiosVersion, L"");
    EXPECT_EQ(r.DriverDate, L"");
    EXPECT_EQ(r.DriverVersion, L"");
    EXPECT_EQ(r.ProviderName, L"");
}

TEST_F(FrmListTest, RowsFollowTheEnumerationAndSkipNonAdapters) {
    AddAdapter("0010", "Third");
    AddKey("Properties");
    AddAdapter("0001", "Second");
    AddAdapter("0000", "First");

    form.FillList();

    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"First", L"Second", L"Third"}));
    ASSERT_EQ(form.AdapterCount, 3);
    ASSERT_EQ(form.Adapters.Count(), 3);
    EXPECT_EQ(form.Adapters(1).SubkeyName, L"0000");
    EXPECT_EQ(form.Adapters(3).SubkeyName, L"0010");
    EXPECT_EQ(form.Adapters(3).KeyPath, Widen(Key("0010")));
    EXPECT_EQ(window.Label1_1.caption, L"3 graphics adapters found");
}

TEST_F(FrmListTest, NoAdapterLeavesOneEmptyRecordAndBothButtonsDisabled) {
    AddKey("0000");
    AddKey("Properties");
    window.Text1.text = L"old details";

    form.FillList();

    EXPECT_EQ(form.AdapterCount, 0);
    ASSERT_EQ(form.Adapters.Count(), 1);
    EXPECT_EQ(form.Adapters(1).KeyPath, L"");
    EXPECT_EQ(form.Adapters(1).AdapterName, L"");
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(window.Command2.enabled);
    EXPECT_FALSE(window.Command3.enabled);
    EXPECT_EQ(window.Label1_1.caption, L"No graphics adapters found");
    // The scan never writes the details box itself.
    EXPECT_TRUE(window.recorder.Calls(L"Text1.SetText").empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FrmListTest, ClassKeyThatCannotBeEnumeratedIsAnEmptyList) {
    AddAdapter("0000", "Radeon");
    registry.Refuse(MemoryRegistry::Op::Open, kHkeyLocalMachine, kClass, 5, kKeyEnumerateSubKeys);
    form.FillList();
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(window.Label1_1.caption, L"No graphics adapters found");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FrmListTest, EachScanStartsAFreshRegistryObjectLeftOnHklm) {
    AddAdapter("0000", "Radeon");
    AddKey("0001");  // names no adapter
    form.FillList();
    ASSERT_TRUE(form.Registry);
    // A default left on a reused object would answer every read of an absent value:
    // the nameless subkey would become a row and the absent fields would read "stale".
    form.Registry->Default(Variant(L"stale"));
    form.FillList();
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Radeon"});
    ASSERT_EQ(form.AdapterCount, 1);
    EXPECT_EQ(form.Adapters(1).BiosVersion, L"");
    EXPECT_EQ(form.Adapters(1).ProviderName, L"");
    ASSERT_TRUE(form.Registry);
    EXPECT_EQ(form.Registry->ClassKey(), static_cast<int32_t>(0x80000002u)) << "HKEY_LOCAL_MACHINE";
    EXPECT_TRUE(form.Registry->Default().IsEmpty());
}

// ---- count caption ----

class CountCaptionTest : public FrmListTest, public ::testing::WithParamInterface<std::pair<int, std::wstring>> {};

TEST_P(CountCaptionTest, NamesTheNumberOfRows) {
    for (int i = 0; i < GetParam().first; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d", i);
        AddAdapter(name, std::string("Adapter ") + name);
    }
    form.FillList();
    EXPECT_EQ(window.Label1_1.caption, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Counts, CountCaptionTest,
                         ::testing::Values(std::make_pair(0, std::wstring(L"No graphics adapters found")),
                                           std::make_pair(1, std::wstring(L"1 graphics adapter found")),
                                           std::make_pair(2, std::wstring(L"2 graphics adapters found")),
                                           std::make_pair(12, std::wstring(L"12 graphics adapters found"))),
                         [](const ::testing::TestParamInfo<std::pair<int, std::wstring>>& info) {
                             return "Rows" + std::to_string(info.param.first);
                         });

// ---- selection and buttons ----

TEST_F(FrmListTest, FirstScanSelectsTheFirstRowAndShowsItsDetailsBeforeTheCaption) {
    AddAdapter("0000", "First");
    SetText("0000", "ProviderName", "Maker");
    AddAdapter("0001", "Second");

    form.FillList();

    EXPECT_EQ(window.List1.index, 0);
    EXPECT_EQ(window.Text1.text, Details(L"First", L"Maker", L"", L"", L""));
    EXPECT_TRUE(window.Command2.enabled);
    EXPECT_TRUE(window.Command3.enabled);
    // The details handler runs nested inside the scan, before the count line.
    const long click = window.recorder.IndexOf(L"Text1.SetText");
    const long caption = window.recorder.IndexOf(L"Label1(1).SetCaption(2 graphics adapters found)");
    ASSERT_GE(click, 0);
    EXPECT_LT(click, caption);
    // Both buttons are disabled first; only the selection enables Command2 again.
    const long disable2 = window.recorder.IndexOf(L"Command2.SetEnabled(0)");
    const long enable2 = window.recorder.IndexOf(L"Command2.SetEnabled(1)");
    EXPECT_LT(disable2, window.recorder.IndexOf(L"Command3.SetEnabled(0)"));
    EXPECT_LT(window.recorder.IndexOf(L"Command3.SetEnabled(1)"), enable2);
}

TEST_F(FrmListTest, RescanSelectsTheSameRowPositionWithItsNewEntry) {
    for (const char* name : {"0000", "0001", "0002", "0003"}) AddAdapter(name, std::string("Card ") + name);
    form.FillList();
    Select(2);
    // The entry at row 2 goes away and another one comes in behind it.
    registry.RegDeleteKeyA(kHkeyLocalMachine, Key("0002"));
    AddAdapter("0004", "Card 0004");

    form.FillList();

    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_EQ(window.List1.index, 2);
    EXPECT_EQ(window.Text1.text, Details(L"Card 0003", L"", L"", L"", L""));
    EXPECT_TRUE(window.Command2.enabled);
}

TEST_F(FrmListTest, RescanPastTheEndSelectsNothingAndKeepsTheDetails) {
    for (const char* name : {"0000", "0001", "0002", "0003"}) AddAdapter(name, std::string("Card ") + name);
    form.FillList();
    Select(3);
    const std::wstring shown = window.Text1.text;
    ASSERT_EQ(shown, Details(L"Card 0003", L"", L"", L"", L""));
    registry.RegDeleteKeyA(kHkeyLocalMachine, Key("0003"));

    form.FillList();

    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_EQ(window.List1.index, -1);
    EXPECT_FALSE(window.Command2.enabled);
    EXPECT_TRUE(window.Command3.enabled);
    EXPECT_EQ(window.Text1.text, shown);
    EXPECT_EQ(window.Label1_1.caption, L"3 graphics adapters found");
}

// ---- details view ----

TEST_F(FrmListTest, DetailsShowEveryFieldInTheirLineOrder) {
    AddAdapter("0000", "Radeon RX 580");
    SetText("0000", "HardwareInformation.BiosString", "113-C94");
    SetText("0000", "DriverDate", "8-13-2021");
    SetText("0000", "DriverVersion", "30.0.13025.1000");
    SetText("0000", "ProviderName", "Advanced Micro Devices, Inc.");
    form.FillList();
    EXPECT_EQ(window.Text1.text,
              L"Adapter Name:\tRadeon RX 580\r\n"
              L"Manufacturer:\tAdvanced Micro Devices, Inc.\r\n"
              L"BIOS Version:\t113-C94\r\n"
              L"Driver Version:\t30.0.13025.1000\r\n"
              L"Driver Date:\t8-13-2021\r\n");
}

TEST_F(FrmListTest, DetailsOfAnAllEmptyRecordStillHaveFiveLines) {
    AddKey("0000");
    SetBytes("0000", "HardwareInformation.AdapterString", kRegBinary, {0, 0});
    form.FillList();
    ASSERT_EQ(form.AdapterCount, 1);
    EXPECT_EQ(window.Text1.text,
              L"Adapter Name:\t\r\nManufacturer:\t\r\nBIOS Version:\t\r\nDriver Version:\t\r\nDriver Date:\t\r\n");
    EXPECT_TRUE(window.Command2.enabled);
}

TEST_F(FrmListTest, SelectingTheShownRowAgainDoesNotRewriteTheText) {
    AddAdapter("0000", "First");
    form.FillList();
    window.Command2.enabled = false;
    window.recorder.calls.clear();
    Select(0);
    EXPECT_TRUE(window.recorder.Calls(L"Text1.SetText").empty());
    EXPECT_TRUE(window.Command2.enabled);
}

TEST_F(FrmListTest, SelectingAnotherRowShowsItsRecord) {
    AddAdapter("0000", "First");
    AddAdapter("0001", "Second");
    SetText("0001", "DriverDate", "1-1-2020");
    form.FillList();
    Select(1);
    EXPECT_EQ(window.Text1.text, Details(L"Second", L"", L"", L"", L"1-1-2020"));
}

TEST_F(FrmListTest, NoSelectionEmptiesTheDetailsAndDisablesRemoval) {
    AddAdapter("0000", "First");
    form.FillList();
    ASSERT_TRUE(window.Command3.enabled);
    Select(-1);
    EXPECT_EQ(window.Text1.text, L"");
    EXPECT_FALSE(window.Command2.enabled);
    EXPECT_TRUE(window.Command3.enabled);
}

TEST_F(FrmListTest, ClickOnAnEmptyListEmptiesTheDetails) {
    window.Text1.text = L"stale";
    window.List1.index = 0;  // a selection that no row backs
    form.List1_Click();
    EXPECT_EQ(window.Text1.text, L"");
    EXPECT_FALSE(window.Command2.enabled);
}

// ---- failures during the scan ----

TEST_F(FrmListTest, UnreadableDriverDescShowsOneBoxAndFallsBackToTheAdapterString) {
    AddKey("0000");
    SetBytes("0000", "DriverDesc", kRegSz, {});  // a text value without even its terminator
    SetBytes("0000", "HardwareInformation.AdapterString", kRegBinary, Utf16(std::wstring(L"Wine VGA\0", 9)));
    AddKey("0001");
    SetBytes("0001", "DriverDesc", kRegSz, {});

    form.FillList();

    // One box per unreadable DriverDesc; 0001 has no adapter string and is skipped.
    ASSERT_EQ(Boxes().size(), 2u);
    for (const FakeToolkit::Box& box : Boxes()) {
        EXPECT_EQ(box.prompt, kInvalidArgument);
        EXPECT_EQ(box.style, kMbOkOnly);
        EXPECT_EQ(box.title, L"");
    }
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Wine VGA"});
    EXPECT_EQ(window.Label1_1.caption, L"1 graphics adapter found");
}

TEST_F(FrmListTest, AFailedKeepTestStillKeepsTheSubkey) {
    // No DriverDesc, so the adapter string is tested, and its read fails.
    AddKey("0000");
    SetBytes("0000", "HardwareInformation.AdapterString", kRegSz, {});
    SetText("0000", "ProviderName", "Maker");

    form.FillList();

    // The keep test and the name read both fail; the entry stays with an empty name.
    EXPECT_EQ(Boxes().size(), 2u);
    ASSERT_EQ(form.AdapterCount, 1);
    EXPECT_EQ(form.Adapters(1).AdapterName, L"");
    EXPECT_EQ(form.Adapters(1).ProviderName, L"Maker");
    EXPECT_EQ(form.Adapters(1).KeyPath, Widen(Key("0000")));
}

TEST_F(FrmListTest, UnreadableOptionalValueLeavesOnlyItsFieldEmpty) {
    AddAdapter("0000", "Radeon");
    SetBytes("0000", "DriverDate", kRegSz, {});
    SetText("0000", "DriverVersion", "1.0");
    form.FillList();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].prompt, kInvalidArgument);
    EXPECT_EQ(form.Adapters(1).DriverDate, L"");
    EXPECT_EQ(form.Adapters(1).DriverVersion, L"1.0");
}

TEST_F(FrmListTest, EnumerationFailureIsShownAndTheListStaysEmpty) {
    AddAdapter("0000", "Radeon");
    registry.ThrowOn(MemoryRegistry::Op::EnumKey, kHkeyLocalMachine, kClass);
    form.FillList();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].prompt, L"Out of memory");
    EXPECT_EQ(Boxes()[0].style, kMbOkOnly);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(window.Label1_1.caption, L"No graphics adapters found");
}

TEST_F(FrmListTest, FailingControlStepIsShownAndTheScanGoesOn) {
    AddAdapter("0000", "First");
    AddAdapter("0001", "Second");
    window.recorder.FailOn(L"List1.AddItem", 5, 1);

    form.FillList();

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].prompt, L"Injected failure of List1.AddItem");
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Second"});
    EXPECT_EQ(window.Label1_1.caption, L"1 graphics adapter found");
    EXPECT_TRUE(window.Command3.enabled);
}

TEST_F(FrmListTest, OnlyTheScanReportsAndAFailedTestCountsAsPassed) {
    AddAdapter("0000", "First");
    window.Text1.text = L"stale";
    window.recorder.FailOn(L"List1.ListIndex");

    form.FillList();

    // The scan's selection test fails, and so does the read inside it: two boxes.
    // The details handler fails the same way silently, taking the no-selection branch.
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].prompt, L"Injected failure of List1.ListIndex");
    EXPECT_EQ(window.List1.index, 0);
    EXPECT_EQ(window.Text1.text, L"");
    EXPECT_FALSE(window.Command2.enabled);
    EXPECT_EQ(window.Label1_1.caption, L"1 graphics adapter found");
}

TEST_F(FrmListTest, FailingRestoreTestIsEnteredAsIfItPassed) {
    window.recorder.FailOn(L"List1.ListCount", 5, 1);
    form.FillList();
    // With no rows the row would not be set; the failed test sets it anyway, and
    // the list refuses a row it does not have. Both are shown, and the caption follows.
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].prompt, L"Injected failure of List1.ListCount");
    EXPECT_EQ(Boxes()[1].prompt, L"Invalid property value");
    EXPECT_EQ(window.recorder.Calls(L"List1.SetListIndex"), std::vector<std::wstring>{L"List1.SetListIndex(0)"});
    EXPECT_EQ(window.Label1_1.caption, L"No graphics adapters found");
}

}  // namespace
}  // namespace window_test
