// The list of adapters, the count line and the details box of the running program,
// against entries seeded below the real Display class key beside Wine's own adapter.

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "tests/e2e/display_class.h"
#include "tests/e2e/program_session.h"
#include "window/control_ids.h"

namespace {

// A complete entry: its "DriverDesc" wins over its adapter string.
const SeedEntry kComplete{
    L"0101",
    {TextValue(L"DriverDesc", L"Talvorin Vector 3D"),
     Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Vector 3D Core"),
     Utf16BinaryValue(L"HardwareInformation.BiosString", L"Vector BIOS 1.02.7"),
     TextValue(L"ProviderName", L"Talvorin Graphics"),
     TextValue(L"DriverVersion", L"6.14.10.1234"),
     TextValue(L"DriverDate", L"3-21-2019")},
    {}};

// Named only by the binary adapter string (with a character outside any ANSI code page),
// its driver version stored as a number.
const SeedEntry kBinaryName{
    L"0102",
    {Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Talvorin Vector 2D \u03A9"),
     TextValue(L"ProviderName", L"Talvorin Graphics"),
     NumberValue(L"DriverVersion", 4711)},
    {}};

// Names no adapter: must not appear at all.
const SeedEntry kNameless{
    L"0103",
    {TextValue(L"ProviderName", L"Nameless Provider"),
     TextValue(L"DriverVersion", L"9.9.9.9"),
     TextValue(L"DriverDate", L"1-1-2001")},
    {}};

// An empty "DriverDesc" falls back to the adapter string.
const SeedEntry kEmptyDesc{
    L"0104",
    {TextValue(L"DriverDesc", L""),
     Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Fallback Adapter"),
     TextValue(L"HardwareInformation.BiosString", L"BIOS 7"),
     TextValue(L"DriverDate", L"12-31-2020")},
    {}};

struct ShownEntry {
    const wchar_t* row;
    const wchar_t* details;
};

const ShownEntry kShown[] = {
    {L"Talvorin Vector 3D",
     L"Adapter Name:\tTalvorin Vector 3D\r\n"
     L"Manufacturer:\tTalvorin Graphics\r\n"
     L"BIOS Version:\tVector BIOS 1.02.7\r\n"
     L"Driver Version:\t6.14.10.1234\r\n"
     L"Driver Date:\t3-21-2019\r\n"},
    {L"Talvorin Vector 2D \u03A9",
     L"Adapter Name:\tTalvorin Vector 2D \u03A9\r\n"
     L"Manufacturer:\tTalvorin Graphics\r\n"
     L"BIOS Version:\t\r\n"
     L"Driver Version:\t4711\r\n"
     L"Driver Date:\t\r\n"},
    {L"Fallback Adapter",
     L"Adapter Name:\tFallback Adapter\r\n"
     L"Manufacturer:\t\r\n"
     L"BIOS Version:\tBIOS 7\r\n"
     L"Driver Version:\t\r\n"
     L"Driver Date:\t12-31-2020\r\n"},
};

int RowOf(const std::vector<std::wstring>& rows, const std::wstring& name) {
    const auto found = std::find(rows.begin(), rows.end(), name);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

std::vector<std::wstring> NamesOf(const std::vector<display_class::AdapterView>& adapters) {
    std::vector<std::wstring> names;
    for (const auto& adapter : adapters) names.push_back(adapter.name);
    return names;
}

std::wstring CountLine(size_t rows) {
    if (rows == 0) return L"No graphics adapters found";
    if (rows == 1) return L"1 graphics adapter found";
    return std::to_wstring(rows) + L" graphics adapters found";
}

class InventoryTest : public ::testing::Test {
protected:
    ProgramSession session{{kComplete, kBinaryName, kNameless, kEmptyDesc}};
    const AppWindow& window = session.Window();
};

std::vector<std::wstring> SeededRows(const std::vector<std::wstring>& rows) {
    std::vector<std::wstring> seeded;
    for (const std::wstring& row : rows) {
        for (const ShownEntry& shown : kShown) {
            if (row == shown.row) seeded.push_back(row);
        }
    }
    return seeded;
}

TEST_F(InventoryTest, ListsTheSeededEntriesInEnumerationOrderBesideWinesAdapter) {
    const std::vector<std::wstring> rows = window.ListRows();

    // Every subkey that names an adapter, in the order the registry enumerates them:
    // the seeded ones and the platform's own.
    EXPECT_EQ(rows, NamesOf(display_class::Adapters()));
    EXPECT_EQ(SeededRows(rows),
              (std::vector<std::wstring>{kShown[0].row, kShown[1].row, kShown[2].row}));
    EXPECT_GT(rows.size(), 3u) << "the platform's own adapter is missing";
    EXPECT_EQ(window.ControlText(kIdLabel1_1), CountLine(rows.size()));
    EXPECT_EQ(window.ControlText(kIdLabel1_0), L"Display details:");
}

TEST_F(InventoryTest, FirstRowIsSelectedAtStartWithItsDetails) {
    const std::vector<display_class::AdapterView> adapters = display_class::Adapters();
    ASSERT_FALSE(adapters.empty());

    EXPECT_EQ(window.ListSelection(), 0);
    EXPECT_EQ(window.ControlText(kIdText1), display_class::DetailsText(adapters.front()));
    EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
    // The second removal button is enabled with adapters in the list, but never shown.
    EXPECT_TRUE(window.ControlEnabled(kIdCommand3));
    EXPECT_FALSE(window.ControlVisible(kIdCommand3));
}

TEST_F(InventoryTest, SelectingARowShowsItsDetails) {
    const std::vector<std::wstring> rows = window.ListRows();
    for (const ShownEntry& shown : kShown) {
        SCOPED_TRACE(testing::Message() << "row " << shown.row);
        const int row = RowOf(rows, shown.row);
        ASSERT_GE(row, 0);
        window.SelectRow(row);
        EXPECT_EQ(window.ListSelection(), row);
        EXPECT_EQ(window.ControlText(kIdText1), shown.details);
        EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
        EXPECT_FALSE(window.ControlVisible(kIdCommand3));
    }

    // Back to the first row: its details replace the last ones.
    window.SelectRow(0);
    EXPECT_EQ(window.ControlText(kIdText1),
              display_class::DetailsText(display_class::Adapters().front()));
}

TEST_F(InventoryTest, AMouseClickOnARowSelectsIt) {
    const ShownEntry& shown = kShown[2];
    const int row = RowOf(window.ListRows(), shown.row);
    ASSERT_GT(row, 0);

    ASSERT_TRUE(window.ClickRow(row)) << "selected: " << window.ListSelection();

    EXPECT_TRUE(WaitFor([&] { return window.ControlText(kIdText1) == shown.details; }))
        << testing::PrintToString(window.ControlText(kIdText1));
    EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
}

TEST_F(InventoryTest, NameFromTheBinaryAdapterStringHasNoNuls) {
    const std::vector<std::wstring> rows = window.ListRows();
    const int row = RowOf(rows, kShown[1].row);
    ASSERT_GE(row, 0) << testing::PrintToString(rows);
    EXPECT_EQ(rows[row].find(L'\0'), std::wstring::npos);

    // The list box itself counts the characters: a trailing NUL would be one more.
    const LRESULT length = SendMessageW(window.Control(kIdList1), LB_GETTEXTLEN, row, 0);
    EXPECT_EQ(length, static_cast<LRESULT>(std::wcslen(kShown[1].row)));
}

TEST_F(InventoryTest, SubkeyWithoutANameIsNotListed) {
    const std::vector<std::wstring> rows = window.ListRows();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), L""), 0);

    // No row carries the details of the nameless subkey.
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        window.SelectRow(row);
        EXPECT_EQ(window.ControlText(kIdText1).find(L"Nameless Provider"), std::wstring::npos)
            << "row " << row;
    }
}

TEST_F(InventoryTest, WindowAndControlsCarryTheirCaptions) {
    EXPECT_EQ(window.ClassName(), kFormClassName);
    EXPECT_EQ(window.Caption(), L"Talvorin Device Manager Version 0.9.4");
    EXPECT_EQ(window.ControlText(kIdCommand1), L"&Close");
    EXPECT_EQ(window.ControlText(kIdCommand2), L"&Remove Adapter");
    EXPECT_EQ(window.ControlText(kIdCommand3), L"Remove &All");
    EXPECT_EQ(window.ControlText(kIdLabel2), kWebSiteHost);
    EXPECT_TRUE(window.ControlVisible(kIdCommand1));
    EXPECT_TRUE(window.ControlVisible(kIdCommand2));
    EXPECT_TRUE(window.ControlVisible(kIdImage1));
}

// Without seeded entries only the platform's own adapters are listed.
TEST(InventoryWithoutSeeds, CountLineMatchesThePlatformsAdapters) {
    ProgramSession session;
    const std::vector<std::wstring> rows = session.Window().ListRows();
    EXPECT_EQ(rows, NamesOf(display_class::Adapters()));
    EXPECT_EQ(session.Window().ControlText(kIdLabel1_1), CountLine(rows.size()));
    EXPECT_EQ(session.Window().ControlEnabled(kIdCommand2), !rows.empty());
}

}  // namespace
