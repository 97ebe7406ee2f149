// The Win32 toolkit's window and its controls: the frame, each control's place, id,
// class and style, and the fonts after the design or their stand-ins.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32_fonts.h"
#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

TEST_F(Win32ToolkitTest, WindowHasTheDesignedFrameClientSizeAndNoMaximiseBox) {
    HWND hwnd = form_->Handle();
    EXPECT_EQ(ClassOf(hwnd), kFormClassName);
    const LONG_PTR style = StyleOf(hwnd);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_THICKFRAME) << "sizable frame";
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_VISIBLE) << "created hidden, shown after loading";
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, Scale().ToPixels(kFrmListDesign.clientWidth));
    EXPECT_EQ(client.bottom, Scale().ToPixels(kFrmListDesign.clientHeight));
    EXPECT_EQ(form_->Caption(), kFrmListDesign.caption);
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0) << "the program icon";
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICONSM), 0);
}

TEST_F(Win32ToolkitTest, EveryControlSitsAtItsDesignPlaceUnderItsFixedId) {
    struct Case {
        FrmListControlIndex index;
        int id;
        const wchar_t* className;
    };
    const Case cases[] = {
        {kList1, kIdList1, L"ListBox"},      {kText1, kIdText1, L"Edit"},         {kLabel1_0, kIdLabel1_0, L"Static"},
        {kLabel1_1, kIdLabel1_1, L"Static"}, {kCommand1, kIdCommand1, L"Button"}, {kCommand2, kIdCommand2, L"Button"},
        {kCommand3, kIdCommand3, L"Button"}, {kLabel2, kIdLabel2, L"Static"},     {kImage1, kIdImage1, L"Static"},
    };
    for (const Case& c : cases) {
        const ControlDesign& design = kFrmListDesign.controls[c.index];
        SCOPED_TRACE(std::string(design.name, design.name + wcslen(design.name)));
        HWND control = GetDlgItem(form_->Handle(), c.id);
        ASSERT_EQ(control, Child(c.index));
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), c.className), 0);
        const RECT place = ClientPlace(control);
        EXPECT_EQ(place.left, Scale().ToPixels(design.left));
        EXPECT_EQ(place.top, Scale().ToPixels(design.top));
        EXPECT_EQ((StyleOf(control) & WS_VISIBLE) != 0, design.visible);
        EXPECT_TRUE(IsWindowEnabled(control)) << "every control starts enabled";
        if (design.kind == ControlKind::CommandButton || design.kind == ControlKind::TextBox ||
            design.kind == ControlKind::Image) {
            EXPECT_EQ(place.right - place.left, Scale().ToPixels(design.width));
            EXPECT_EQ(place.bottom - place.top, Scale().ToPixels(design.height));
        }
        if (design.kind == ControlKind::ListBox) {
            EXPECT_EQ(place.right - place.left, Scale().ToPixels(design.width));
            // Whole rows only: never taller than designed, at most one row shorter.
            const int rowHeight = static_cast<int>(SendMessageW(control, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_LE(place.bottom - place.top, Scale().ToPixels(design.height));
            EXPECT_GT(place.bottom - place.top, Scale().ToPixels(design.height) - rowHeight - 1);
        }
    }
}

TEST_F(Win32ToolkitTest, TheListSelectsOneRowAndTheDetailsBoxShowsLinesTheUserCannotChange) {
    // A single-selection list has no selection count to give.
    Controls().List1.AddItem(L"First");
    Controls().List1.AddItem(L"Second");
    EXPECT_EQ(SendMessageW(Child(kList1), LB_GETSELCOUNT, 0, 0), LB_ERR);

    // Every line shows, with no scroll bar even when they do not fit: the client area
    // stays the whole control (the edit box draws its border inside it).
    HWND text = Child(kText1);
    std::wstring lines;
    for (int i = 0; i < 30; ++i) lines += L"Line " + std::to_wstring(i) + L"\r\n";
    Controls().Text1.SetText(lines);
    EXPECT_EQ(SendMessageW(text, EM_GETLINECOUNT, 0, 0), 31);
    RECT outer{};
    RECT client{};
    GetWindowRect(text, &outer);
    GetClientRect(text, &client);
    EXPECT_EQ(client.right, outer.right - outer.left);
    EXPECT_EQ(client.bottom, outer.bottom - outer.top);

    // Typing, deleting and pasting change nothing; the text can still be selected.
    ShowAndFocusList();
    SetFocus(text);
    SendMessageW(text, EM_SETSEL, 0, 4);
    SendMessageW(text, WM_CHAR, 'x', 0);
    SendMessageW(text, WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(text, WM_PASTE, 0, 0);
    Pump();
    EXPECT_EQ(Controls().Text1.Text(), lines);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 4u);
}

TEST_F(Win32ToolkitTest, FontsFollowTheDesignOrTheirSansSerifStandIn) {
    for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
        const ControlDesign& design = kFrmListDesign.controls[i];
        if (design.font.face == nullptr) continue;
        SCOPED_TRACE(std::string(design.name, design.name + wcslen(design.name)));
        auto font = reinterpret_cast<HFONT>(SendMessageW(Child(static_cast<FrmListControlIndex>(i)), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW logical{};
        ASSERT_NE(GetObjectW(font, sizeof(logical), &logical), 0);
        EXPECT_EQ(logical.lfHeight, Scale().FontHeight(design.font.points));
        EXPECT_EQ(logical.lfWeight, design.font.weight);
        EXPECT_EQ(logical.lfUnderline != 0, design.font.underline);
        EXPECT_EQ(logical.lfItalic, 0);
        EXPECT_EQ(logical.lfStrikeOut, 0);
        EXPECT_EQ(logical.lfCharSet, ANSI_CHARSET);
        EXPECT_EQ(logical.lfFaceName, SansSerifFaceFor(design.font.face));
    }
    EXPECT_NE(SendMessageW(Child(kCommand1), WM_GETFONT, 0, 0), 0) << "buttons get the message font";
}

TEST(DesignFonts, ABitmapFaceOfAnotherHeightGivesWayToTheScalableFaceAtTheAskedSize) {
    // 12 points at 144 dpi ask for a character height of 24 pixels (lfHeight -24); the
    // character height the platform made is tmHeight - tmInternalLeading. The metrics
    // stand in for what Windows makes of its bitmap face "MS Sans Serif". In
    // tmPitchAndFamily, 0x20 is FF_SWISS and 0x01 TMPF_FIXED_PITCH (set for a variable
    // pitch); 0x02 TMPF_VECTOR and 0x04 TMPF_TRUETYPE, set for a TrueType font
    // together, are both clear for a bitmap font.
    struct Case {
        const char* what;
        BYTE pitchAndFamily;
        LONG height, internalLeading;
        bool scalableInstead;
    };
    const Case cases[] = {
        {"bitmap, 26 pixels for 24", 0x21, 29, 3, true},
        {"bitmap, 20 pixels for 24", 0x21, 23, 3, true},
        {"bitmap of the asked height", 0x21, 27, 3, false},
        {"TrueType of another height", 0x27, 29, 3, false},
        {"vector of another height", 0x23, 29, 3, false},
        {"bitmap, 24 pixels under 5 of leading", 0x21, 29, 5, false},
    };
    const FontDesign design{L"MS Sans Serif", 12.0f, 700, true};
    const std::wstring ownFace = SansSerifFaceFor(design.face);
    ASSERT_NE(ownFace, L"Microsoft Sans Serif") << "this platform's face cannot tell the cases apart";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int read = 0;
        const FontHandle font = CreateDesignFont(design, TwipsScale(144), [&](HFONT, TEXTMETRICW& metrics) {
            ++read;
            metrics = TEXTMETRICW{};
            metrics.tmHeight = c.height;
            metrics.tmInternalLeading = c.internalLeading;
            metrics.tmPitchAndFamily = c.pitchAndFamily;
            return TRUE;
        });
        ASSERT_TRUE(font);
        EXPECT_EQ(read, 1) << "decided from the made font's own metrics, once";
        LOGFONTW logical{};
        ASSERT_NE(GetObjectW(font.Get(), sizeof(logical), &logical), 0);
        EXPECT_EQ(std::wstring(logical.lfFaceName), c.scalableInstead ? L"Microsoft Sans Serif" : ownFace);
        EXPECT_EQ(logical.lfHeight, -24) << "at the size asked for";
        EXPECT_EQ(logical.lfWeight, 700);
        EXPECT_EQ(logical.lfUnderline, TRUE);
    }
}

TEST(DesignFonts, AnInstalledFaceIsKeptAndAMissingOneGivesWayToAnInstalledStandIn) {
    EXPECT_FALSE(FontFaceInstalled(L"No Such Face"));
    for (const wchar_t* face : {L"MS Sans Serif", L"Tahoma", L"No Such Face"}) {
        const std::wstring asked = SansSerifFaceFor(face);
        EXPECT_TRUE(FontFaceInstalled(asked)) << face;
        if (FontFaceInstalled(face)) {
            EXPECT_EQ(asked, face);
        }
    }
}

}  // namespace
}  // namespace toolkit_test
