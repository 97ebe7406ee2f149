// The list of adapters, the count line and the details box of the running program,
// against entries seeded below the real Display class key beside Wine's own adapter.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/program_session.h"
#include "window/control_ids.h"

namespace {

// A complete entry: its "DriverDesc" wins over its adapter string.
const SeedEntry kComplete{L"0101",
                          {TextValue(L"DriverDesc", L"Talvorin Vector 3D"),
                           Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Vector 3D Core"),
                           Utf16BinaryValue(L"HardwareInformation.BiosString", L"Vector BIOS 1.02.7"),
                           TextValue(L"ProviderName", L"Talvorin Graphics"),
                           TextValue(L"DriverVersion", L"6.14.10.1234"), TextValue(L"DriverDate", L"3-21-2019")},
                          {}};

// Named only by the binary adapter string (with a character outside any ANSI code page),
// its driver version stored as a number.
const SeedEntry kBinaryName{L"0102",
                            {Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Talvorin Vector 2D \u03A9"),
                             TextValue(L"ProviderName", L"Talvorin Graphics"), NumberValue(L"DriverVersion", 4711)},
                            {}};

// Names no adapter: must not appear at all.
const SeedEntry kNameless{L"0103",
                          {TextValue(L"ProviderName", L"Nameless Provider"), TextValue(L"DriverVersion", L"9.9.9.9"),
                           TextValue(L"DriverDate", L"1-1-2001")},
                          {}};

// An empty "DriverDesc" falls back to the adapter string.
const SeedEntry kEmptyDesc{
    L"0104",
    {TextValue(L"DriverDesc", L""), Utf16BinaryValue(L"HardwareInformation.AdapterString", L"Fallback Adapter"),
     TextValue(L"HardwareInformation.BiosString", L"BIOS 7"), TextValue(L"DriverDate", L"12-31-2020")},
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

const std::vector<SeedEntry> kSeeds{kComplete, kBinaryName, kNameless, kEmptyDesc};

class InventoryTest : public ::testing::Test {
protected:
    ProgramSession session{kSeeds};
    const AppWindow& window = session.Window();
};

TEST(Inventory, ListsTheSeededEntriesInEnumerationOrderAfterThePlatformsOwn) {
    // The platform's own adapters, as the program lists them with nothing seeded.
    std::vector<std::wstring> expected;
    {
        ProgramSession bare;
        expected = bare.Window().ListRows();
    }
    ASSERT_FALSE(expected.empty()) << "the platform registers an adapter of its own";
    // The seeded subkeys come after the platform's in the registry's order; the one
    // that names no adapter is left out.
    for (const ShownEntry& shown : kShown) expected.push_back(shown.row);

    ProgramSession session{kSeeds};
    EXPECT_EQ(session.Window().ListRows(), expected);
    EXPECT_EQ(session.Window().ControlText(kIdLabel1_1),
              std::to_wstring(expected.size()) + L" graphics adapters found");
    EXPECT_EQ(session.Window().ControlText(kIdLabel1_0), L"Display details:");
}

TEST_F(InventoryTest, FirstRowIsSelectedAtStartWithItsDetails) {
    const std::vector<std::wstring> rows = window.ListRows();
    ASSERT_FALSE(rows.empty());

    EXPECT_EQ(window.ListSelection(), 0);
    // The platform's adapter: its name and the four other lines, whatever their values.
    const std::wstring details = window.ControlText(kIdText1);
    EXPECT_EQ(details.rfind(L"Adapter Name:\t" + rows.front() + L"\r\nManufacturer:\t", 0), 0u)
        << testing::PrintToString(details);
    for (const wchar_t* line : {L"\r\nBIOS Version:\t", L"\r\nDriver Version:\t", L"\r\nDriver Date:\t"}) {
        EXPECT_NE(details.find(line), std::wstring::npos) << testing::PrintToString(line);
    }
    EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
    // "Remove All" is shown, and enabled with adapters in the list.
    EXPECT_TRUE(window.ControlEnabled(kIdCommand3));
    EXPECT_TRUE(window.ControlVisible(kIdCommand3));
}

TEST_F(InventoryTest, SelectingARowShowsItsDetails) {
    const std::wstring firstDetails = window.ControlText(kIdText1);
    const std::vector<std::wstring> rows = window.ListRows();
    for (const ShownEntry& shown : kShown) {
        SCOPED_TRACE(testing::Message() << "row " << shown.row);
        const int row = RowOf(rows, shown.row);
        ASSERT_GE(row, 0);
        window.SelectRow(row);
        EXPECT_EQ(window.ListSelection(), row);
        EXPECT_EQ(window.ControlText(kIdText1), shown.details);
        EXPECT_TRUE(window.ControlEnabled(kIdCommand2));
        EXPECT_TRUE(window.ControlEnabled(kIdCommand3));
    }

    // Back to the first row: its details replace the last ones.
    window.SelectRow(0);
    EXPECT_EQ(window.ControlText(kIdText1), firstDetails);
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

// Input posted to the window, as the system queues the keyboard's: the program's own
// message loop takes it from the queue and hands it on (a sent message would reach the
// window without the loop). A posted click needs no loop of the program's own under Wine:
// IsDialogMessageW, in the keyboard handling, dispatches it.
TEST_F(InventoryTest, PostedInputIsHandledByTheProgramsMessageLoop) {
    const ShownEntry& shown = kShown[2];
    const int row = RowOf(window.ListRows(), shown.row);
    ASSERT_GT(row, 0);

    // A letter typed into the list: the key goes down and up (WM_KEYDOWN, WM_KEYUP;
    // wParam the key code, 'F' 0x46; lParam the repeat count 1 in bits 0-15, the scan
    // code in bits 16-23, bits 30 and 31 set for the key going up). The loop makes the
    // character of it (WM_CHAR) and hands that to the list, which selects the next row
    // that begins with the letter.
    const HWND list = window.Control(kIdList1);
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW('F', MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(list, WM_KEYDOWN, 'F', 1 | scanCode);
    PostMessageW(list, WM_KEYUP, 'F', 1 | scanCode | (LPARAM{3} << 30));
    EXPECT_TRUE(WaitFor([&] { return window.ListSelection() == row; }, kShortTimeout))
        << "selected: " << window.ListSelection();
    EXPECT_TRUE(WaitFor([&] { return window.ControlText(kIdText1) == shown.details; }, kShortTimeout))
        << testing::PrintToString(window.ControlText(kIdText1));
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
        EXPECT_EQ(window.ControlText(kIdText1).find(L"Nameless Provider"), std::wstring::npos) << "row " << row;
    }
}

// The program file's version as the platform's version functions read it from the
// file's version resource: "major.minor.build" of its fixed part, or "" without one.
std::wstring FileVersionOf(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return L"";
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof(*info))
        return L"";
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS));
}

TEST_F(InventoryTest, WindowAndControlsCarryTheirCaptions) {
    EXPECT_EQ(window.ClassName(), kFormClassName);
    // The caption shows the version the built file carries, which is the project's.
    const std::wstring version = FileVersionOf(ProgramPath());
    EXPECT_EQ(version, TDM_PROJECT_VERSION);
    EXPECT_EQ(window.Caption(), L"Talvorin Device Manager Version " + version);
    EXPECT_EQ(window.ControlText(kIdCommand1), L"&Close");
    EXPECT_EQ(window.ControlText(kIdCommand2), L"&Remove Adapter");
    EXPECT_EQ(window.ControlText(kIdCommand3), L"Remove &All");
    EXPECT_EQ(window.ControlText(kIdLabel2), kWebSiteHost);
    EXPECT_TRUE(window.ControlVisible(kIdCommand1));
    EXPECT_TRUE(window.ControlVisible(kIdCommand2));
    EXPECT_TRUE(window.ControlVisible(kIdImage1));
}

}  // namespace
