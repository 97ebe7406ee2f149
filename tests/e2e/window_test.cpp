// The running program's window as a whole: where it opens, that it keeps its size, and
// that closing it without any removal asks nothing and starts nothing.

#include <gtest/gtest.h>

#include "tests/e2e/program_session.h"
#include "window/control_ids.h"

namespace {

LONG Width(const RECT& rect) {
    return rect.right - rect.left;
}
LONG Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

std::string Describe(const RECT& rect) {
    return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(Width(rect)) + "x" +
           std::to_string(Height(rect)) + ")";
}

class WindowTest : public ::testing::Test {
protected:
    ProgramSession session;
    const AppWindow& window = session.Window();
};

TEST_F(WindowTest, OpensCentredOnTheScreen) {
    const RECT frame = window.Rect();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    // Centred in twips and rounded to pixels: at most one pixel off either way.
    EXPECT_NEAR(frame.left, (screenWidth - Width(frame)) / 2.0, 1.0) << Describe(frame);
    EXPECT_NEAR(frame.top, (screenHeight - Height(frame)) / 2.0, 1.0) << Describe(frame);
}

// However a launcher asks the window to be shown (a shortcut set to "Maximized", start
// /max), it opens at its design size, centred: it has no maximise box, so a maximised
// window could not be given back its size. A minimised start stays minimised.
struct ShowCase {
    const char* name;
    WORD showCommand;
    bool minimised;
};

const ShowCase kShows[] = {
    {"maximised", SW_SHOWMAXIMIZED, false},
    {"as the launcher's default", SW_SHOWDEFAULT, false},
    {"hidden", SW_HIDE, false},
    {"minimised", SW_SHOWMINNOACTIVE, true},
};

TEST(WindowStart, OpensAtItsDesignSizeCentredWhateverTheShowCommand) {
    for (const ShowCase& show : kShows) {
        SCOPED_TRACE(show.name);
        ProgramSession session({}, show.showCommand);
        const AppWindow& window = session.Window();
        EXPECT_EQ(window.IsMinimized(), show.minimised);
        if (window.IsMinimized()) {
            window.Restore();
            ASSERT_TRUE(WaitFor([&] { return !window.IsMinimized(); }));
        }
        EXPECT_FALSE(IsZoomed(window.Handle()));
        // 11355 x 9510 twips at 96 dpi.
        RECT client{};
        EXPECT_TRUE(WaitFor(
            [&] {
                GetClientRect(window.Handle(), &client);
                return client.right == 757 && client.bottom == 634;
            },
            kShortTimeout))
            << "client area " << client.right << " x " << client.bottom;
        const RECT frame = window.Rect();
        EXPECT_NEAR(frame.left, (GetSystemMetrics(SM_CXSCREEN) - Width(frame)) / 2.0, 1.0) << Describe(frame);
        EXPECT_NEAR(frame.top, (GetSystemMetrics(SM_CYSCREEN) - Height(frame)) / 2.0, 1.0) << Describe(frame);
    }
}

TEST_F(WindowTest, FrameIsSizableWithoutAMaximiseButton) {
    const LONG_PTR style = window.Style();
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

RECT InClient(const AppWindow& window, RECT rect) {
    MapWindowPoints(HWND_DESKTOP, window.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(WindowTest, ControlsLieInsideTheClientAreaWithoutOverlapping) {
    const int shown[] = {kIdList1, kIdText1, kIdLabel1_0, kIdLabel1_1, kIdCommand1, kIdCommand2, kIdLabel2, kIdImage1};
    RECT client{};
    GetClientRect(window.Handle(), &client);

    for (int id : shown) {
        const RECT rect = InClient(window, window.ControlRect(id));
        RECT inside{};
        IntersectRect(&inside, &rect, &client);
        EXPECT_TRUE(SameRect(inside, rect))
            << "control " << id << " at " << Describe(rect) << " leaves the client area " << Describe(client);
        for (int other : shown) {
            if (other <= id) continue;
            const RECT otherRect = InClient(window, window.ControlRect(other));
            RECT common{};
            EXPECT_FALSE(IntersectRect(&common, &rect, &otherRect))
                << "controls " << id << " and " << other << " overlap at " << Describe(common);
        }
    }
}

// A new frame asked for by moving edges; the window must come back to its size, with its
// top-left corner where the new frame put it.
struct ResizeCase {
    const char* name;
    LONG left, top, right, bottom;  // edge moves in pixels
};

const ResizeCase kResizes[] = {
    {"right edge outwards", 0, 0, 20, 0},      {"bottom edge inwards", 0, 0, 0, -30},
    {"both far edges outwards", 0, 0, 40, 25}, {"left edge outwards", -20, 0, 0, 0},
    {"top edge inwards", 0, 15, 0, 0},         {"whole frame smaller", 10, 10, -10, -10},
};

TEST_F(WindowTest, KeepsItsSizeWhenItsFrameIsResized) {
    for (const ResizeCase& resize : kResizes) {
        SCOPED_TRACE(resize.name);
        const RECT before = window.Rect();
        const RECT asked{before.left + resize.left, before.top + resize.top, before.right + resize.right,
                         before.bottom + resize.bottom};
        const RECT expected{asked.left, asked.top, asked.left + Width(before), asked.top + Height(before)};

        window.SetFrame(asked);

        EXPECT_TRUE(WaitFor([&] { return SameRect(window.Rect(), expected); }, kShortTimeout))
            << "expected " << Describe(expected) << ", got " << Describe(window.Rect());
    }
}

// A real drag of a frame edge: the far edges give the old frame back, the near edges move
// the window by the distance dragged.
struct DragCase {
    const char* name;
    int edge;
    int distance;
    bool moves;  // a near edge: the window follows it
};

const DragCase kDrags[] = {
    {"right edge outwards", WMSZ_RIGHT, 20, false},
    {"bottom edge inwards", WMSZ_BOTTOM, -24, false},
    {"left edge outwards", WMSZ_LEFT, -20, true},
    {"top edge inwards", WMSZ_TOP, 16, true},
};

TEST_F(WindowTest, KeepsItsSizeWhenAnEdgeIsDragged) {
    for (const DragCase& drag : kDrags) {
        SCOPED_TRACE(drag.name);
        const RECT before = window.Rect();
        // The frame with the pointer `moved` pixels from where the drag began.
        const auto frameAt = [&](int moved) {
            RECT frame = before;
            if (drag.moves) OffsetRect(&frame, drag.edge == WMSZ_LEFT ? moved : 0, drag.edge == WMSZ_TOP ? moved : 0);
            return frame;
        };

        if (!window.DragEdge(drag.edge, drag.distance,
                             [&](int moved) { return SameRect(window.Rect(), frameAt(moved)); })) {
            GTEST_SKIP() << "the window's frame belongs to a window manager here; "
                            "frame changes are covered by the resize test";
        }

        const RECT expected = frameAt(drag.distance);
        EXPECT_TRUE(WaitFor([&] { return SameRect(window.Rect(), expected); }, kShortTimeout))
            << "expected " << Describe(expected) << ", got " << Describe(window.Rect());
    }
}

TEST_F(WindowTest, KeepsItsSizeWhenMinimisedAndRestored) {
    const RECT before = window.Rect();

    window.Minimize();
    ASSERT_TRUE(WaitFor([&] { return window.IsMinimized(); }));
    window.Restore();
    ASSERT_TRUE(WaitFor([&] { return !window.IsMinimized(); }));

    EXPECT_TRUE(WaitFor([&] { return SameRect(window.Rect(), before); }))
        << "expected " << Describe(before) << ", got " << Describe(window.Rect());
}

// Closing without a removal: no question, nothing started, the process ends.
struct CloseCase {
    const char* name;
    void (*close)(const AppWindow&);
};

void PrintTo(const CloseCase& closing, std::ostream* out) {
    *out << closing.name;
}

class ClosingTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ClosingTest, WithoutARemovalAsksNothingAndEnds) {
    ProgramSession session;

    GetParam().close(session.Window());

    const ProgramSession::Ending ending = session.WaitForEnd();
    EXPECT_TRUE(ending.exited);
    EXPECT_FALSE(ending.box.has_value()) << "asked: " << testing::PrintToString(ending.box->text);
    EXPECT_TRUE(session.Process().Children().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTest,
                         ::testing::Values(CloseCase{"CloseButton",
                                                     [](const AppWindow& w) { w.PressButton(kIdCommand1); }},
                                           CloseCase{"CloseBox", [](const AppWindow& w) { w.PressCloseBox(); }}),
                         [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

}  // namespace
