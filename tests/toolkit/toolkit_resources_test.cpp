// The program's resources as the Win32 toolkit reads them: the hand cursor and the
// icon's images, compiled in from the resource script.
#include <gtest/gtest.h>

#include <windows.h>

#include "assets/resource_ids.h"
#include "platform/win32_handles.h"

namespace toolkit_test {
namespace {

TEST(ProgramResources, HandCursorHotSpotAndIconImagesAreCompiledIn) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    HCURSOR hand = LoadCursorW(self, MAKEINTRESOURCEW(TDM_CURSOR_HAND));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 13u);
    EXPECT_EQ(info.yHotspot, 9u);
    // GetIconInfo hands over copies of the cursor's bitmaps.
    const BitmapHandle mask(info.hbmMask);
    const BitmapHandle colour(info.hbmColor);

    HRSRC group = FindResourceW(self, MAKEINTRESOURCEW(TDM_ICON_APP), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(directory[4] | directory[5] << 8, 4) << "four images";
    for (int size : {16, 32, 48, 64}) {
        const IconHandle icon(
            static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(icon) << size;
    }
}

}  // namespace
}  // namespace toolkit_test
