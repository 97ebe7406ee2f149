// The program's pictures must have the forms the window and the shell rely on: the
// icon's four images, the logo's size and depth, the cursor's size, depth and hot spot.
// These read the committed files' headers, so a regenerated or hand-edited picture in
// the wrong form fails here rather than on someone's screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAsset(const std::string& name) {
    std::ifstream file(std::string(TDM_ASSETS_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t U16(const Bytes& data, size_t at) {
    if (at + 2 > data.size()) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(data[at] | data[at + 1] << 8);
}

uint32_t U32(const Bytes& data, size_t at) {
    if (at + 4 > data.size()) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
           static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

int32_t I32(const Bytes& data, size_t at) {
    return static_cast<int32_t>(U32(data, at));
}

// Bytes in one bitmap row of the given width and depth: rows are padded to 4 bytes.
size_t RowBytes(uint32_t width, uint32_t bits) {
    return ((width * bits + 31) / 32) * 4;
}

// One image of an icon or cursor file, as its directory entry and its bitmap header
// describe it.
struct DirectoryImage {
    uint32_t entryWidth, entryHeight, entryColours;
    uint32_t field4, field6;  // planes and bit count for icons, the hot spot for cursors
    uint32_t size, offset;
    uint32_t headerSize, width;
    int32_t height;
    uint32_t planes, bits, compression;
};

DirectoryImage ImageAt(const Bytes& data, size_t index) {
    const size_t entry = 6 + 16 * index;
    DirectoryImage image{};
    image.entryWidth = data[entry];
    image.entryHeight = data[entry + 1];
    image.entryColours = data[entry + 2];
    image.field4 = U16(data, entry + 4);
    image.field6 = U16(data, entry + 6);
    image.size = U32(data, entry + 8);
    image.offset = U32(data, entry + 12);
    image.headerSize = U32(data, image.offset);
    image.width = U32(data, image.offset + 4);
    image.height = I32(data, image.offset + 8);
    image.planes = U16(data, image.offset + 12);
    image.bits = U16(data, image.offset + 14);
    image.compression = U32(data, image.offset + 16);
    return image;
}

// The image's size in the file: header, colour table, colour bits, 1-bit mask.
uint32_t ExpectedImageSize(uint32_t side, uint32_t bits) {
    const uint32_t palette = bits <= 8 ? (1u << bits) * 4 : 0;
    return 40 + palette + static_cast<uint32_t>(RowBytes(side, bits) * side + RowBytes(side, 1) * side);
}

// Counts the transparent pixels of an image's AND mask (a set bit lets the screen show).
size_t TransparentPixels(const Bytes& data, const DirectoryImage& image, uint32_t side) {
    const uint32_t palette = image.bits <= 8 ? (1u << image.bits) * 4 : 0;
    const size_t mask = image.offset + 40 + palette + RowBytes(side, image.bits) * side;
    size_t count = 0;
    for (uint32_t y = 0; y < side; ++y) {
        for (uint32_t x = 0; x < side; ++x) {
            if (data[mask + y * RowBytes(side, 1) + x / 8] & (0x80 >> (x % 8))) ++count;
        }
    }
    return count;
}

TEST(ProgramIcon, HoldsTheFourImagesInTheirSizesAndDepths) {
    const Bytes icon = ReadAsset("app.ico");
    ASSERT_GE(icon.size(), 6u);
    EXPECT_EQ(U16(icon, 0), 0u);
    ASSERT_EQ(U16(icon, 2), 1u) << "resource type 1 is an icon";
    ASSERT_EQ(U16(icon, 4), 4u);

    struct Case {
        uint32_t side, bits;
    };
    const Case cases[] = {{64, 8}, {48, 24}, {32, 8}, {16, 8}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("image " + std::to_string(cases[i].side) + "x" + std::to_string(cases[i].side));
        const DirectoryImage image = ImageAt(icon, i);
        EXPECT_EQ(image.entryWidth, cases[i].side);
        EXPECT_EQ(image.entryHeight, cases[i].side);
        EXPECT_EQ(image.entryColours, 0u) << "256 colours and more are written as 0";
        EXPECT_EQ(image.field4, 1u) << "planes";
        EXPECT_EQ(image.field6, cases[i].bits);
        ASSERT_LE(static_cast<size_t>(image.offset) + image.size, icon.size());
        EXPECT_EQ(image.headerSize, 40u);
        EXPECT_EQ(image.width, cases[i].side);
        EXPECT_EQ(image.height, static_cast<int32_t>(2 * cases[i].side)) << "colour bits and mask";
        EXPECT_EQ(image.planes, 1u);
        EXPECT_EQ(image.bits, cases[i].bits);
        EXPECT_EQ(image.compression, 0u);
        ASSERT_EQ(image.size, ExpectedImageSize(cases[i].side, cases[i].bits));
        // A drawn shape: neither blank nor a plain square.
        const size_t transparent = TransparentPixels(icon, image, cases[i].side);
        EXPECT_GT(transparent, 0u);
        EXPECT_LT(transparent, static_cast<size_t>(cases[i].side) * cases[i].side / 2);
    }
}

TEST(Logo, IsAnUncompressed24BitSquareOf137Pixels) {
    const Bytes logo = ReadAsset("logo.bmp");
    ASSERT_GE(logo.size(), 54u);
    EXPECT_EQ(logo[0], 'B');
    EXPECT_EQ(logo[1], 'M');
    EXPECT_EQ(U32(logo, 2), logo.size()) << "the file header's size";
    const uint32_t pixels = U32(logo, 10);
    EXPECT_EQ(U32(logo, 14), 40u);
    EXPECT_EQ(I32(logo, 18), 137);
    EXPECT_EQ(I32(logo, 22) < 0 ? -I32(logo, 22) : I32(logo, 22), 137);
    EXPECT_EQ(U16(logo, 26), 1u);
    EXPECT_EQ(U16(logo, 28), 24u);
    EXPECT_EQ(U32(logo, 30), 0u) << "BI_RGB: no compression";
    EXPECT_EQ(U32(logo, 46), 0u) << "a true-colour bitmap has no colour table";
    EXPECT_EQ(static_cast<size_t>(pixels) + RowBytes(137, 24) * 137, logo.size());
}

TEST(HandCursor, IsA32PixelMonochromeCursorWithItsHotSpotOnTheFingertip) {
    const Bytes cursor = ReadAsset("hand.cur");
    ASSERT_GE(cursor.size(), 22u);
    EXPECT_EQ(U16(cursor, 0), 0u);
    ASSERT_EQ(U16(cursor, 2), 2u) << "resource type 2 is a cursor";
    ASSERT_EQ(U16(cursor, 4), 1u);
    const DirectoryImage image = ImageAt(cursor, 0);
    EXPECT_EQ(image.entryWidth, 32u);
    EXPECT_EQ(image.entryHeight, 32u);
    EXPECT_EQ(image.field4, 13u) << "hot spot x";
    EXPECT_EQ(image.field6, 9u) << "hot spot y";
    ASSERT_LE(static_cast<size_t>(image.offset) + image.size, cursor.size());
    EXPECT_EQ(image.width, 32u);
    EXPECT_EQ(image.height, 64);
    EXPECT_EQ(image.bits, 1u);
    EXPECT_EQ(image.compression, 0u);
    ASSERT_EQ(image.size, ExpectedImageSize(32, 1));

    // The hot spot lies on the hand, and the pixel above it is the edge of the tip.
    auto opaque = [&](uint32_t x, uint32_t y) {
        const size_t mask = image.offset + 40 + 8 + RowBytes(32, 1) * 32;
        const size_t row = mask + (31 - y) * RowBytes(32, 1);  // stored bottom-up
        return (cursor[row + x / 8] & (0x80 >> (x % 8))) == 0;
    };
    EXPECT_TRUE(opaque(13, 9));
    EXPECT_TRUE(opaque(13, 8));
    EXPECT_FALSE(opaque(13, 7)) << "nothing above the fingertip";
    const size_t transparent = TransparentPixels(cursor, image, 32);
    EXPECT_GT(transparent, 32u * 32u / 2) << "a hand, not a block";
}

}  // namespace
