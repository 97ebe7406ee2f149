// Start-up, the size rule, closing with the restart question, and the web link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/frm_list_fixture.h"
#include "window/frm_list_design.h"

namespace window_test {
namespace {

const std::wstring kRestartQuestion =
    L"The registry has been changed! Please restart Windows to take effect. If you don't see after reboot no "
    L"driver details in this list, please reinstall the current driver! Restart now?";

using LifecycleTest = FrmListTest;

// ---- loading ----

TEST_F(LifecycleTest, LoadSetsTheCaptionWithTheVersion) {
    form.Form_Load();
    EXPECT_EQ(window.Me.caption, L"Talvorin Device Manager Version 0.9.4");
}

TEST_F(LifecycleTest, CaptionWritesEachVersionNumberPlainly) {
    window.toolkit.major = 1;
    window.toolkit.minor = 10;
    window.toolkit.revision = 0;
    form.Form_Load();
    EXPECT_EQ(window.Me.caption, L"Talvorin Device Manager Version 1.10.0");
}

TEST_F(LifecycleTest, LoadCentresInSinglePrecisionWithoutResizing) {
    window.Me.left = 100;
    window.Me.top = 100;
    window.Me.width = 11595;
    window.Me.height = 10020;
    window.toolkit.screenWidth = 19200;
    window.toolkit.screenHeight = 15361;
    form.Form_Load();
    // Halves survive: no integer division.
    EXPECT_EQ(window.Me.left, 3802.5f);
    EXPECT_EQ(window.Me.top, 2670.5f);
    EXPECT_EQ(window.Me.width, 11595.0f);
    EXPECT_EQ(window.Me.height, 10020.0f);
}

TEST_F(LifecycleTest, LoadBuildsTheInventoryAndSelectsTheFirstRow) {
    AddAdapter("0000", "Wine display");
    form.Form_Load();
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"Wine display"});
    EXPECT_EQ(window.List1.index, 0);
    EXPECT_TRUE(window.Command2.enabled);
    EXPECT_EQ(window.Label1_1.caption, L"1 graphics adapter found");
}

struct RoundCase {
    float width, height;
    int32_t initialWidth, initialHeight;
};

class RecordedSizeTest : public FrmListTest, public ::testing::WithParamInterface<RoundCase> {};

TEST_P(RecordedSizeTest, LoadRecordsTheSizeRoundedHalvesToEven) {
    window.Me.width = GetParam().width;
    window.Me.height = GetParam().height;
    form.Form_Load();
    EXPECT_EQ(form.InitialWidth, GetParam().initialWidth);
    EXPECT_EQ(form.InitialHeight, GetParam().initialHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RecordedSizeTest,
    ::testing::Values(RoundCase{11595.0f, 10020.0f, 11595, 10020}, RoundCase{11594.5f, 10021.5f, 11594, 10022},
                      RoundCase{11595.5f, 10020.5f, 11596, 10020}, RoundCase{11595.25f, 10020.75f, 11595, 10021}),
    [](const ::testing::TestParamInfo<RoundCase>& info) {
        return "Width" + std::to_string(info.param.initialWidth) + "Height" + std::to_string(info.param.initialHeight);
    });

TEST_F(LifecycleTest, ResizeDuringLoadingIsIgnoredUntilTheSizeIsRecorded) {
    AddAdapter("0000", "Radeon");
    // The user widens the frame while the load handler runs: the size event arrives
    // from inside the scan, right after the selection handler it runs.
    int resizes = 0;
    window.List1.afterClick = [&] {
        window.Me.width = 12000;
        form.Form_Resize();
        ++resizes;
    };
    form.Form_Load();
    ASSERT_EQ(resizes, 1);
    EXPECT_EQ(window.Me.width, 12000.0f) << "given back while loading";
    EXPECT_EQ(window.Image1.width, 2055);
    EXPECT_EQ(form.InitialWidth, 12000) << "the size at the end of loading";

    window.List1.afterClick = nullptr;
    window.Me.width = 12500;
    form.Form_Resize();
    EXPECT_EQ(window.Me.width, 12000.0f) << "not given back once loaded";
    EXPECT_EQ(window.Image1.width, 2085);
}

// ---- the size rule ----

class ResizeTest : public FrmListTest {
protected:
    void Loaded() {
        window.Me.left = 3000;
        window.Me.top = 2000;
        form.InitialWidth = 11595;
        form.InitialHeight = 10020;
    }
};

TEST_F(ResizeTest, OnlyInitialWidthGuardsTheRule) {
    form.InitialWidth = 0;
    form.InitialHeight = 10020;
    window.Me.width = 5000;
    form.Form_Resize();
    EXPECT_EQ(window.Me.moves, 0);
    EXPECT_EQ(window.Image1.width, 2055);

    form.InitialWidth = 1;
    form.Form_Resize();
    EXPECT_EQ(window.Me.width, 1.0f);
    EXPECT_EQ(window.Me.height, 10020.0f);
    EXPECT_EQ(window.Image1.width, 2085);
}

TEST_F(ResizeTest, MinimisedDoesNothingAndRestoreGivesTheSizeBack) {
    Loaded();
    window.Me.state = kStateMinimized;
    window.Me.width = 2400;
    window.Me.height = 400;
    form.Form_Resize();
    EXPECT_EQ(window.Me.moves, 0);
    EXPECT_EQ(window.Image1.width, 2055);

    window.Me.state = kStateNormal;
    form.Form_Resize();
    EXPECT_EQ(window.Me.width, 11595.0f);
    EXPECT_EQ(window.Me.height, 10020.0f);
    EXPECT_EQ(window.Image1.width, 2085);
}

TEST_F(ResizeTest, DraggingTheRightEdgeEndsAtTheOldSizeAndPlace) {
    Loaded();
    window.Me.width += 300;
    form.Form_Resize();
    EXPECT_EQ(window.Me.left, 3000.0f);
    EXPECT_EQ(window.Me.top, 2000.0f);
    EXPECT_EQ(window.Me.width, 11595.0f);
}

TEST_F(ResizeTest, DraggingTheLeftEdgeMovesTheWindow) {
    Loaded();
    window.Me.left -= 300;
    window.Me.width += 300;
    window.Me.top -= 45;
    window.Me.height += 45;
    form.Form_Resize();
    EXPECT_EQ(window.Me.left, 2700.0f);
    EXPECT_EQ(window.Me.top, 1955.0f);
    EXPECT_EQ(window.Me.width, 11595.0f);
    EXPECT_EQ(window.Me.height, 10020.0f);
}

TEST_F(ResizeTest, RunningTwiceChangesNothingMore) {
    Loaded();
    window.Me.width = 12000;
    form.Form_Resize();
    const float left = window.Me.left, top = window.Me.top, width = window.Me.width, height = window.Me.height;
    form.Form_Resize();
    EXPECT_EQ(window.Me.left, left);
    EXPECT_EQ(window.Me.top, top);
    EXPECT_EQ(window.Me.width, width);
    EXPECT_EQ(window.Me.height, height);
    EXPECT_EQ(window.Image1.width, 2085);
}

TEST_F(ResizeTest, FailedMoveIsSkippedSilently) {
    Loaded();
    window.recorder.FailOn(L"Me.Move");
    form.Form_Resize();
    EXPECT_EQ(window.Image1.width, 2085);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ResizeTest, FailedStateTestStops) {
    Loaded();
    window.Me.width = 12000;
    window.recorder.FailOn(L"Me.WindowState");
    form.Form_Resize();
    EXPECT_EQ(window.Me.moves, 0);
    EXPECT_TRUE(Boxes().empty());
}

// ---- closing ----

class ClosingTest : public FrmListTest {
protected:
    void Changed() { form.RegistryChanged = 1; }
    std::vector<fake::FakeToolkit::Start>& Starts() { return window.toolkit.starts; }
};

TEST_F(ClosingTest, UnchangedRegistryClosesSilently) {
    window.toolkit.unscriptedYesNo = kAnswerYes;
    form.Form_Unload();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Starts().empty());
}

TEST_F(ClosingTest, YesStartsTheSystemFoldersShutdownOnce) {
    Changed();
    window.toolkit.answers.push_back(kAnswerYes);
    form.Form_Unload();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].prompt, kRestartQuestion);
    EXPECT_EQ(Boxes()[0].style, kMbYesNo);
    EXPECT_EQ(Boxes()[0].title, L"Reboot recommended");
    ASSERT_EQ(Starts().size(), 1u);
    // By full path, never the bare name that the current folder could answer to.
    EXPECT_EQ(Starts()[0].programPath, L"C:\\windows\\system32\\shutdown.exe");
    EXPECT_EQ(Starts()[0].arguments, L"-r -t 00");
    EXPECT_EQ(Starts()[0].windowStyle, kShowMinimizedFocus);
}

TEST_F(ClosingTest, ThePathFollowsTheSystemFolderAndAnUnknownOneStartsNothing) {
    struct Case {
        const wchar_t* systemFolder;
        const wchar_t* started;  // nullptr: nothing
    };
    // An unknown folder must not become "\\shutdown.exe", a program in the root of
    // whatever drive is current.
    const Case cases[] = {{L"D:\\WINNT\\System32", L"D:\\WINNT\\System32\\shutdown.exe"}, {L"", nullptr}};
    for (const Case& c : cases) {
        window.toolkit.starts.clear();
        // A window of its own per case: each asks its restart question once.
        frmList closing{registry, window.toolkit, window.controls};
        closing.RegistryChanged = 1;
        window.toolkit.systemDirectory = c.systemFolder;
        window.toolkit.answers.push_back(kAnswerYes);
        closing.Form_Unload();
        if (c.started == nullptr) {
            EXPECT_TRUE(Starts().empty()) << "started " << testing::PrintToString(Starts()[0].programPath);
        } else {
            ASSERT_EQ(Starts().size(), 1u);
            EXPECT_EQ(Starts()[0].programPath, c.started);
        }
    }
}

TEST_F(ClosingTest, NoStartsNothing) {
    Changed();
    window.toolkit.answers.push_back(kAnswerNo);
    form.Form_Unload();
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(Starts().empty());
}

TEST_F(ClosingTest, AQuestionThatCannotBeShownRestartsNothing) {
    Changed();
    window.recorder.FailOn(L"MsgBox");
    form.Form_Unload();
    EXPECT_TRUE(Starts().empty());
}

TEST_F(ClosingTest, CloseButtonUnloadsThenEndsAndAsksOnce) {
    Changed();
    window.toolkit.unscriptedYesNo = kAnswerYes;
    form.Command1_Click();
    // The close box after the button, and a second unload, ask nothing more.
    window.Me.Unload();
    form.Form_Unload();
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_EQ(window.toolkit.endProcessCalls, 1);
    const long unload = window.recorder.IndexOf(L"Me.Unload");
    const long question = window.recorder.IndexOf(L"MsgBox");
    const long end = window.recorder.IndexOf(L"EndProcess");
    EXPECT_LT(unload, question);
    EXPECT_LT(question, end);
}

TEST_F(ClosingTest, CloseButtonEndsEvenWhenUnloadFails) {
    window.recorder.FailOn(L"Me.Unload");
    form.Command1_Click();
    EXPECT_EQ(window.toolkit.endProcessCalls, 1);
}

TEST_F(ClosingTest, AfterAConfirmedRemovalClosingAsks) {
    AddAdapter("0000", "Old card");
    form.Form_Load();
    window.toolkit.answers.push_back(kAnswerYes);  // remove
    form.Command2_Click();
    ASSERT_EQ(form.RegistryChanged, 1);
    window.toolkit.answers.push_back(kAnswerNo);  // restart
    form.Command1_Click();
    EXPECT_EQ(Boxes().back().title, L"Reboot recommended");
    EXPECT_TRUE(Starts().empty());
}

// ---- web link ----

TEST_F(LifecycleTest, LinkAndLogoOpenTheWebSiteAlike) {
    form.Label2_Click();
    form.Image1_Click();
    ASSERT_EQ(window.toolkit.shells.size(), 2u);
    for (const auto& shell : window.toolkit.shells) {
        EXPECT_EQ(shell.operation, L"Open");
        EXPECT_EQ(shell.file, L"https://talvorin.example/");
        EXPECT_EQ(shell.parameters, L"");
        EXPECT_EQ(shell.directory, L"");
        EXPECT_EQ(shell.showCommand, 1) << "SW_SHOWNORMAL";
    }
    // The busy pointer (11) is up only while the shell is called, then the default
    // one (0) comes back; the logo does exactly what the link does.
    const std::vector<std::wstring> oneClick{L"SetMousePointer(11)", L"ElevationType", L"OpenWithShell",
                                             L"SetMousePointer(0)"};
    std::vector<std::wstring> twoClicks = oneClick;
    twoClicks.insert(twoClicks.end(), oneClick.begin(), oneClick.end());
    EXPECT_EQ(window.recorder.calls, twoClicks);
}

TEST_F(LifecycleTest, AnElevatedProgramOpensTheSiteThroughTheDesktopsShell) {
    // TokenElevationType as GetTokenInformation reports it: 1 TokenElevationTypeDefault,
    // 2 TokenElevationTypeFull (run as administrator from a split token), 3
    // TokenElevationTypeLimited. Only 2 runs the browser with rights it has no use for.
    struct Case {
        int32_t elevationType;
        bool desktopShell;  // a desktop shell takes the request
        std::vector<std::wstring> calls;
    };
    const Case cases[] = {
        {1, true, {L"ElevationType", L"OpenWithShell"}},
        {3, true, {L"ElevationType", L"OpenWithShell"}},
        {0, true, {L"ElevationType", L"OpenWithShell"}},
        {2, true, {L"ElevationType", L"OpenWithDesktopShell"}},
        // No shell desktop to ask: the program opens the site as it would unelevated.
        {2, false, {L"ElevationType", L"OpenWithDesktopShell", L"OpenWithShell"}},
    };
    for (const Case& c : cases) {
        fake::FakeWindow fresh;
        frmList link(registry, fresh.toolkit, fresh.controls);
        fresh.toolkit.elevationType = c.elevationType;
        fresh.toolkit.desktopShell = c.desktopShell;
        link.Label2_Click();
        std::vector<std::wstring> expected{L"SetMousePointer(11)"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        expected.push_back(L"SetMousePointer(0)");
        EXPECT_EQ(fresh.recorder.calls, expected) << "elevation " << c.elevationType;
        const auto& opened = c.calls.back() == L"OpenWithShell" ? fresh.toolkit.shells : fresh.toolkit.desktopShells;
        ASSERT_EQ(opened.size(), 1u) << "elevation " << c.elevationType;
        EXPECT_EQ(opened[0].operation, L"Open");
        EXPECT_EQ(opened[0].file, L"https://talvorin.example/");
        EXPECT_EQ(opened[0].showCommand, 1) << "SW_SHOWNORMAL";
    }
}

TEST_F(LifecycleTest, FailedShellStillResetsThePointer) {
    window.recorder.FailOn(L"OpenWithShell");
    form.Label2_Click();
    EXPECT_EQ(window.toolkit.pointers, (std::vector<int32_t>{11, 0}));
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace window_test
