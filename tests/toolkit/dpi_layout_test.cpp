// The window at the DPI of its screen and through DPI changes. dpi_tests.sh runs this
// program under Wine once per screen DPI (96, 144 and 192, set as the prefix's
// LogPixels before the run): the real program's window and a window built here with
// the real window logic must both show the design's twips in that DPI's pixels, with
// every label's text fitting its label. Wine gives every window the system's DPI and
// never moves one to another screen, so the DPI changes are the messages Windows
// sends, sent here.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "assets/resource_ids.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_fonts.h"
#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "platform/win32_toolkit.h"
#include "platform/win32_units.h"
#include "registry/registry_api.h"
#include "stand_in/memory_registry.h"
#include "tests/display_class_key.h"
#include "tests/e2e/program_session.h"
#include "tests/support/text.h"
#include "tests/toolkit/pump.h"
#include "window/control_ids.h"
#include "window/frm_list.h"
#include "window/frm_list_design.h"

namespace {

std::string Name(const ControlDesign& control) {
    return std::string(control.name, control.name + wcslen(control.name));
}

// A control's rectangle in its parent's client coordinates.
RECT ClientPlace(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE TextExtent(HWND control, HFONT font, const std::wstring& text) {
    SIZE size{};
    const WindowDc dc = BorrowDc(control);
    const SelectedObject selected = SelectInto(dc.Get(), font);
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle != nullptr) GetObjectW(handle, sizeof(font), &font);
    return font;
}

RECT FrameOf(HWND hwnd) {
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    return frame;
}

// The labels' fonts: their own (a window of this process), or, for the program's
// window, whose fonts live in its own process, the same font made from the design.
enum class LabelFonts { Own, FromDesign };

struct Expected {
    int dpi;
    int32_t image1Width;  // twips, as the window logic last set it
    LabelFonts fonts;
};

// The window's client area and every control at its twips place in the DPI's pixels;
// every label exactly as large as its text in its font; everything visible inside
// the client area and clear of everything else.
void ExpectDesignLayout(HWND form, const Expected& expected) {
    SCOPED_TRACE(std::to_string(expected.dpi) + " dpi");
    const TwipsScale scale(expected.dpi);
    RECT client{};
    ASSERT_TRUE(GetClientRect(form, &client));
    EXPECT_NEAR(client.right, std::lround(kFrmListDesign.clientWidth * expected.dpi / 1440.0), 1);
    EXPECT_NEAR(client.bottom, std::lround(kFrmListDesign.clientHeight * expected.dpi / 1440.0), 1);

    struct Shown {
        std::string name;
        RECT place;
    };
    std::vector<Shown> shown;
    for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
        const ControlDesign& design = kFrmListDesign.controls[i];
        SCOPED_TRACE(Name(design));
        HWND control = GetDlgItem(form, ControlId(static_cast<FrmListControlIndex>(i)));
        ASSERT_NE(control, nullptr);
        const RECT place = ClientPlace(control);
        const int width = place.right - place.left;
        const int height = place.bottom - place.top;
        EXPECT_EQ(place.left, scale.ToPixels(design.left));
        EXPECT_EQ(place.top, scale.ToPixels(design.top));
        switch (design.kind) {
            case ControlKind::ListBox: {
                // Whole rows only: never taller than designed, at most a row shorter.
                const auto row = static_cast<int>(SendMessageW(control, LB_GETITEMHEIGHT, 0, 0));
                EXPECT_EQ(width, scale.ToPixels(design.width));
                EXPECT_LE(height, scale.ToPixels(design.height));
                EXPECT_GT(height, scale.ToPixels(design.height) - row - 1);
                break;
            }
            case ControlKind::Image:
                EXPECT_EQ(width, scale.ToPixels(expected.image1Width));
                EXPECT_EQ(height, scale.ToPixels(design.height));
                break;
            case ControlKind::Label: {
                FontHandle made;
                HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
                if (expected.fonts == LabelFonts::FromDesign) {
                    made = CreateDesignFont(design.font, scale);
                    font = made.Get();
                }
                ASSERT_NE(font, nullptr);
                const std::wstring caption = TextOf(control);
                const SIZE text = TextExtent(control, font, caption);
                EXPECT_GT(text.cx, 0);
                EXPECT_EQ(width, text.cx) << "the text must fit and the label follow it";
                EXPECT_EQ(height, text.cy);
                break;
            }
            case ControlKind::TextBox:
            case ControlKind::CommandButton:
                EXPECT_EQ(width, scale.ToPixels(design.width));
                EXPECT_EQ(height, scale.ToPixels(design.height));
                break;
        }
        if ((GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) == 0) continue;
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right && place.bottom <= client.bottom)
            << "outside the client area";
        shown.push_back({Name(design), place});
    }
    for (size_t a = 0; a < shown.size(); ++a) {
        for (size_t b = a + 1; b < shown.size(); ++b) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &shown[a].place, &shown[b].place))
                << shown[a].name << " overlaps " << shown[b].name;
        }
    }
}

// The fonts of a window of this process: the design's point sizes and the message
// font, both at the DPI.
void ExpectFontsAt(HWND form, int dpi) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const TwipsScale scale(dpi);
    LOGFONTW message{};
    ASSERT_TRUE(MessageFontForDpi(message, dpi));
    for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
        const ControlDesign& design = kFrmListDesign.controls[i];
        if (design.kind == ControlKind::Image) continue;
        const LOGFONTW font = FontOf(GetDlgItem(form, ControlId(static_cast<FrmListControlIndex>(i))));
        const LONG height = design.font.face != nullptr ? scale.FontHeight(design.font.points) : message.lfHeight;
        EXPECT_EQ(font.lfHeight, height) << Name(design);
    }
}

// The logo's 2055 twips in the pixels of each DPI this program meets.
int LogoPixelsAt(int dpi) {
    switch (dpi) {
        case 96:
            return 137;
        case 120:
            return 171;
        case 144:
            return 206;
        case 192:
            return 274;
        default:
            return 0;
    }
}

// The colours of a bitmap's pixels, row by row from the top.
std::vector<COLORREF> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height);
    if (GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) != height) pixels.clear();
    // GetDIBits gives 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    for (COLORREF& pixel : pixels) pixel = RGB(GetBValue(pixel), GetGValue(pixel), GetRValue(pixel));
    return pixels;
}

// The logo drawn by the picture control at the DPI: true when it ends at its natural
// size in that DPI's pixels, whatever the control's width, and, when enlarged, is
// smoothly scaled: a blocky enlargement repeats the logo's own colours, a smooth one
// blends them at every edge.
::testing::AssertionResult LogoAtItsNaturalSize(Win32Image& image, HWND control, int dpi) {
    const int size = LogoPixelsAt(dpi);
    if (size == 0) return ::testing::AssertionFailure() << "no logo size for " << dpi << " dpi";
    RECT place{};
    GetClientRect(control, &place);
    const WindowDc screen = BorrowDc(nullptr);
    const MemoryDc dc = CreateMemoryDc(screen.Get());
    const BitmapHandle target(CreateCompatibleBitmap(screen.Get(), place.right, place.bottom));
    {
        // Painted with the bitmap selected; read once it is out again, as GetDIBits wants.
        const SelectedObject selected = SelectInto(dc.Get(), target.Get());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.hwndItem = control;
        item.hDC = dc.Get();
        item.rcItem = place;
        image.Paint(item);
    }
    const std::vector<COLORREF> shown = PixelsOf(dc.Get(), target.Get(), place.right, place.bottom);
    const BitmapHandle logo(static_cast<HBITMAP>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TDM_BITMAP_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const std::vector<COLORREF> own = PixelsOf(dc.Get(), logo.Get(), 137, 137);
    if (shown.empty() || own.empty()) return ::testing::AssertionFailure() << "no pixels";

    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    auto at = [&](int x, int y) { return shown[static_cast<size_t>(y) * place.right + x]; };
    const bool edge = at(size - 1, size / 2) != background;
    const bool beside = place.right > size && at(size, size / 2) == background;
    const bool below = place.bottom <= size || at(size / 2, size) == background;
    const std::set<COLORREF> ownColours(own.begin(), own.end());
    size_t blended = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) blended += ownColours.count(at(x, y)) == 0 ? 1 : 0;
    }
    // At 96 dpi the logo is its own pixels, one for one.
    const bool smooth = size == 137 ? blended == 0 && at(68, 68) == own[68 * 137 + 68] : blended > 500;
    if (edge && beside && below && smooth) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "logo edge " << edge << ", background beside " << beside << ", below "
                                         << below << ", pixels in none of the logo's colours " << blended;
}

// ---- the screen's DPI --------------------------------------------------------------

TEST(ScreenDpi, IsTheOneThisRunIsFor) {
    // dpi_tests.sh names the DPI it set: a setting that did not take would otherwise
    // let every other case pass at 96 dpi.
    const char* expected = std::getenv("TDM_EXPECTED_DPI");
    ASSERT_NE(expected, nullptr) << "run by dpi_tests.sh, which sets the screen's DPI first";
    const int dpi = std::atoi(expected);
    EXPECT_EQ(SystemDpi(), dpi);
    Win32Form form(GetModuleHandleW(nullptr), kFrmListDesign);
    ASSERT_TRUE(form.Create());
    EXPECT_EQ(WindowDpi(form.Handle()), dpi);
    EXPECT_EQ(form.Scale().Dpi(), dpi);

    // dpi_tests.sh's screen, 2560 x 1600 pixels, in twips: the same inches at every DPI
    // the screen is said to have, so the fewer twips the more dots per inch.
    struct ScreenTwips {
        int dpi;
        float width, height;
    };
    const ScreenTwips screens[] = {{96, 38400, 24000}, {144, 25600, 16000}, {192, 19200, 12000}};
    Win32Toolkit toolkit(form);
    for (const ScreenTwips& screen : screens) {
        if (screen.dpi != dpi) continue;
        EXPECT_EQ(toolkit.ScreenWidth(), screen.width);
        EXPECT_EQ(toolkit.ScreenHeight(), screen.height);
    }
}

TEST(ScreenDpi, AWindowOpeningOnAScreenOfAnotherDpiIsLaidOutForThatScreenAtOnce) {
    // GetDpiForWindow gives the DPI of the monitor the window opens on (Wine: the system's).
    // 11355 x 9510 twips are 1136 x 951 pixels at 144 dpi (1135.5 rounds up), 1514 x 1268 at 192.
    // Windows before 10 (1607) lacks SystemParametersInfoForDpi, and SystemParametersInfoW
    // gives the message font at the system's DPI: the window is made without the newer
    // call, and its buttons' font is then held to the one the newer call gives.
    struct Case {
        int dpi;
        LONG width, height;
        bool withoutForDpi;
    };
    const auto forDpi = DynSystemParametersInfoForDpi;
    ASSERT_NE(forDpi, nullptr);
    for (const Case& c : {Case{144, 1136, 951, false}, Case{192, 1514, 1268, false}, Case{144, 1136, 951, true}}) {
        SCOPED_TRACE(std::to_string(c.dpi) + (c.withoutForDpi ? " dpi without SystemParametersInfoForDpi" : " dpi"));
        FormPlatformCalls calls = SystemFormCalls();
        calls.windowDpi = [&](HWND) { return c.dpi; };
        Win32Form form(GetModuleHandleW(nullptr), kFrmListDesign, calls);
        if (c.withoutForDpi) DynSystemParametersInfoForDpi = nullptr;
        const bool created = form.Create();
        DynSystemParametersInfoForDpi = forDpi;
        ASSERT_TRUE(created);
        EXPECT_EQ(form.Scale().Dpi(), c.dpi);
        RECT client{};
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(client.right, c.width);
        EXPECT_EQ(client.bottom, c.height);
        ExpectDesignLayout(form.Handle(), {c.dpi, 2055, LabelFonts::Own});
        ExpectFontsAt(form.Handle(), c.dpi);
    }
}

TEST(ScreenDpi, TheProgramRunsAwareOfEachScreensDpi) {
    // The manifest linked into this test, as into the program, asks for it.
    using GetContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using AwarenessFn = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto getContext = reinterpret_cast<GetContextFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_NE(getContext, nullptr);
    ASSERT_NE(awareness, nullptr);
    EXPECT_EQ(awareness(getContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
}

// ---- the program -------------------------------------------------------------------

// The program, started for one case and closed at its end.
class RunningProgram {
public:
    RunningProgram() {
        const std::wstring path = ProgramPath();
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &started)) {
            return;
        }
        process_.Reset(started.hProcess);
        const KernelHandle thread(started.hThread);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram() {
        if (!process_) return;
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process_.Get(), 1);
    }

    bool Started() const { return static_cast<bool>(process_); }

    // The program's window once it is shown, which is after its load handler.
    HWND WaitForWindow() {
        for (int i = 0; i < 400 && window_ == nullptr; ++i) {
            EnumWindows(&RunningProgram::NoteWindow, reinterpret_cast<LPARAM>(this));
            if (window_ == nullptr) Sleep(50);
        }
        return window_;
    }

private:
    static BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM self) {
        auto* program = reinterpret_cast<RunningProgram*>(self);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t className[64] = {};
        GetClassNameW(hwnd, className, 64);
        if (owner != GetProcessId(program->process_.Get()) || wcscmp(className, kFormClassName) != 0) return TRUE;
        if (!IsWindowVisible(hwnd)) return TRUE;
        program->window_ = hwnd;
        return FALSE;
    }

    KernelHandle process_;
    HWND window_ = nullptr;
};

TEST(Program, ShowsTheDesignInTheScreensPixels) {
    RunningProgram program;
    ASSERT_TRUE(program.Started()) << "cannot start " << TDM_PROGRAM_PATH;
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr) << "no window";
    // Shown means loaded: the heading is the count line, and the first size event has
    // made the picture as wide as Command2.
    EXPECT_NE(TextOf(GetDlgItem(window, kIdLabel1_1)).find(L"found"), std::wstring::npos);
    ExpectDesignLayout(window, {SystemDpi(), 2085, LabelFonts::FromDesign});
}

// ---- a window of this process, with the window logic -------------------------------

// Display adapter entries for the window logic to list, in a registry of its own.
void SeedAdapters(MemoryRegistry& registry) {
    const std::string classKey = DisplayClassKeyA();
    const char* names[] = {"NVIDIA GeForce GTX 970", "AMD Radeon RX 580 Series", "Intel(R) HD Graphics 4600"};
    int number = 1;
    for (const char* name : names) {
        const std::string key = classKey + "\\000" + std::to_string(number++);
        registry.AddKey(kHkeyLocalMachine, key);
        registry.SetString(kHkeyLocalMachine, key, "DriverDesc", name);
        registry.SetString(kHkeyLocalMachine, key, "DriverVersion", "27.21.14.5671");
    }
}

class DpiFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        SeedAdapters(registry_);
        form_ = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), kFrmListDesign);
        ASSERT_TRUE(form_->Create());
        toolkit_ = std::make_unique<Win32Toolkit>(*form_);
        window_ = std::make_unique<frmList>(registry_, *toolkit_, form_->Controls());
        form_->SetEvents(window_.get());
        form_->Load();
        form_->Show(SW_SHOWNORMAL);
        Pump();
    }
    void TearDown() override {
        form_->SetEvents(nullptr);
        window_.reset();
        toolkit_.reset();
        form_.reset();
        Pump();
    }

    HWND Form() const { return form_->Handle(); }
    HWND Child(FrmListControlIndex index) const { return form_->Child(index); }

    // What Windows does when the window reaches a screen of another DPI: it asks for
    // the window's size at that DPI (WM_GETDPISCALEDSIZE: wParam the DPI itself, lParam
    // a SIZE to fill) and suggests a rectangle of that size where the window is
    // (WM_DPICHANGED: wParam the DPI in both words, lParam the RECT).
    void SendDpiChange(int dpi) {
        SIZE size{};
        const LRESULT answered =
            SendMessageW(Form(), WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi), reinterpret_cast<LPARAM>(&size));
        EXPECT_TRUE(answered) << "the window proposes its own size";
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        GetWindowPlacement(Form(), &placement);
        const RECT now = IsIconic(Form()) ? placement.rcNormalPosition : FrameOf(Form());
        RECT suggested{now.left, now.top, now.left + size.cx, now.top + size.cy};
        SendMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    }
    void ChangeDpi(int dpi) {
        SendDpiChange(dpi);
        Pump();
    }

    std::vector<HFONT> ControlFonts() const {
        std::vector<HFONT> fonts;
        for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
            auto font =
                reinterpret_cast<HFONT>(SendMessageW(Child(static_cast<FrmListControlIndex>(i)), WM_GETFONT, 0, 0));
            if (font != nullptr) fonts.push_back(font);
        }
        return fonts;
    }

    Expected Now(int dpi) { return {dpi, form_->Controls().Command2.Width(), LabelFonts::Own}; }

    MemoryRegistry registry_;
    std::unique_ptr<Win32Form> form_;
    std::unique_ptr<Win32Toolkit> toolkit_;
    std::unique_ptr<frmList> window_;
};

TEST_F(DpiFormTest, LoadedAndShownItHasTheDesignAtTheScreensDpi) {
    const int dpi = SystemDpi();
    EXPECT_EQ(TextOf(Child(kLabel1_1)), L"3 graphics adapters found");
    ExpectDesignLayout(Form(), {dpi, 2085, LabelFonts::Own});
    ExpectFontsAt(Form(), dpi);
    EXPECT_TRUE(LogoAtItsNaturalSize(dynamic_cast<Win32Image&>(form_->Controls().Image1), Child(kImage1), dpi));
}

TEST_F(DpiFormTest, EachDpiChangeLaysTheWindowOutAgainAndKeepsItsSizeInTwips) {
    const int start = SystemDpi();
    const RECT startFrame = FrameOf(Form());
    const float width = form_->Width();
    const float height = form_->Height();
    ASSERT_EQ(window_->InitialWidth, std::lround(width)) << "recorded by the load handler";

    for (int dpi : {144, 192, 120, 96, start}) {
        SCOPED_TRACE("changed to " + std::to_string(dpi) + " dpi");
        const std::vector<HFONT> oldFonts = ControlFonts();
        const RECT before = FrameOf(Form());
        ChangeDpi(dpi);
        EXPECT_EQ(form_->Scale().Dpi(), dpi);
        const RECT after = FrameOf(Form());
        EXPECT_EQ(after.left, before.left) << "at the suggested place";
        EXPECT_EQ(after.top, before.top);
        ExpectDesignLayout(Form(), Now(dpi));
        ExpectFontsAt(Form(), dpi);
        for (HFONT old : oldFonts) EXPECT_NE(GetObjectType(old), static_cast<DWORD>(OBJ_FONT)) << "a font was kept";
        EXPECT_TRUE(LogoAtItsNaturalSize(dynamic_cast<Win32Image&>(form_->Controls().Image1), Child(kImage1), dpi));

        // The window logic's recorded size still fits: its size event found nothing to
        // change, and it gives the window back this size after a drag at the edge.
        EXPECT_NEAR(form_->Width(), width, 0.01);
        EXPECT_NEAR(form_->Height(), height, 0.01);
        SetWindowPos(Form(), nullptr, 0, 0, after.right - after.left + 45, after.bottom - after.top + 30,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump();
        const RECT dragged = FrameOf(Form());
        EXPECT_EQ(dragged.right - dragged.left, after.right - after.left);
        EXPECT_EQ(dragged.bottom - dragged.top, after.bottom - after.top);
        ExpectDesignLayout(Form(), Now(dpi));
    }
    const RECT endFrame = FrameOf(Form());
    EXPECT_EQ(endFrame.right - endFrame.left, startFrame.right - startFrame.left) << "back where it started";
    EXPECT_EQ(endFrame.bottom - endFrame.top, startFrame.bottom - startFrame.top);
}

TEST_F(DpiFormTest, AskedForItsSizeAtADpiItProposesTheDesignsClientAreaThereWithThatDpisFrame) {
    // WM_GETDPISCALEDSIZE: wParam is the new DPI, not packed in two words; lParam
    // points to a SIZE to fill with the outer size; TRUE means it was filled. The
    // client area, 11355 x 9510 twips, is 757 x 634 pixels at 96 dpi, 1136 x 951 at
    // 144 (1135.5 rounds up) and 1514 x 1268 at 192. Wine draws this frame with 4-pixel
    // borders and 23 pixels above the client area at 96 dpi, 5 and 33 at 144, 5 and 42
    // at 192.
    struct Case {
        WPARAM dpi;
        SIZE outer;
    };
    const Case cases[] = {{144, {1146, 989}}, {96, {765, 661}}, {192, {1524, 1315}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " dpi");
        SIZE proposed{-1, -1};
        EXPECT_EQ(SendMessageW(Form(), WM_GETDPISCALEDSIZE, c.dpi, reinterpret_cast<LPARAM>(&proposed)), TRUE);
        EXPECT_EQ(proposed.cx, c.outer.cx);
        EXPECT_EQ(proposed.cy, c.outer.cy);
    }
}

TEST_F(DpiFormTest, LabelsFollowNewCaptionsInTheFontOfTheNewDpi) {
    const int dpi = SystemDpi() == 192 ? 144 : 192;
    ChangeDpi(dpi);
    form_->Controls().Label1(1).SetCaption(L"1234 graphics adapters found");
    ExpectDesignLayout(Form(), Now(dpi));
    form_->Controls().Label1(1).SetCaption(L"1 graphics adapter found");
    ExpectDesignLayout(Form(), Now(dpi));
}

TEST_F(DpiFormTest, AChangeWhileMinimisedTakesEffectOnRestoring) {
    const int dpi = SystemDpi() == 144 ? 96 : 144;
    const float width = form_->Width();
    const float height = form_->Height();
    ShowWindow(Form(), SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(Form()));
    ChangeDpi(dpi);
    EXPECT_TRUE(IsIconic(Form())) << "it stays minimised";
    ExpectFontsAt(Form(), dpi);
    ShowWindow(Form(), SW_RESTORE);
    Pump();
    ExpectDesignLayout(Form(), Now(dpi));
    EXPECT_NEAR(form_->Width(), width, 0.01);
    EXPECT_NEAR(form_->Height(), height, 0.01);
}

}  // namespace
