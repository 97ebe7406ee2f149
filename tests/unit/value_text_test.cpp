#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "window/frm_list.h"

namespace {

Variant Bytes(std::vector<uint8_t> bytes) {
    return Variant(ByteArray(0, std::move(bytes)));
}

struct ValueTextCase {
    const char* name;
    Variant value;
    std::wstring expected;
};

class ValueTextTest : public ::testing::TestWithParam<ValueTextCase> {};

TEST_P(ValueTextTest, GivesTheDisplayText) {
    EXPECT_EQ(ValueText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryResultKind, ValueTextTest,
    ::testing::Values(ValueTextCase{"NothingRead", Variant(), L""},
                      ValueTextCase{"Text", Variant(L"Radeon HD 7700"), L"Radeon HD 7700"},
                      ValueTextCase{"EmptyText", Variant(L""), L""},
                      ValueTextCase{"TextKeepsBlanks", Variant(L" a  b "), L" a  b "},
                      // A multi-string comes back with a NUL after each string: joined without separator.
                      ValueTextCase{"MultiStringJoined", Variant(std::wstring(L"one\0two\0", 8)), L"onetwo"},
                      ValueTextCase{"NulsAnywhereRemoved", Variant(std::wstring(L"\0a\0\0b\0", 6)), L"ab"},
                      ValueTextCase{"OnlyNuls", Variant(std::wstring(L"\0\0", 2)), L""},
                      ValueTextCase{"Zero", Variant(int32_t{0}), L"0"},
                      ValueTextCase{"Number", Variant(int32_t{3012}), L"3012"},
                      ValueTextCase{"NegativeNumber", Variant(int32_t{-42}), L"-42"},
                      ValueTextCase{"SmallestNumber", Variant(int32_t{INT_MIN}), L"-2147483648"},
                      ValueTextCase{"LargestNumber", Variant(int32_t{INT_MAX}), L"2147483647"},
                      ValueTextCase{"ShortNumber", Variant(int16_t{-7}), L"-7"},
                      // Binary data is UTF-16LE: the terminator of an adapter string disappears.
                      ValueTextCase{"Utf16WithTerminator", Bytes({'W', 0, 'i', 0, 'n', 0, 'e', 0, 0, 0}), L"Wine"},
                      ValueTextCase{"OddLastByteIgnored", Bytes({'A', 0, 'B', 0, 'C'}), L"AB"},
                      ValueTextCase{"SingleByte", Bytes({'A'}), L""}, ValueTextCase{"NoBytes", Bytes({}), L""},
                      // No code-page conversion: the high byte is part of the character.
                      ValueTextCase{"HighCharacters", Bytes({0xE9, 0x00, 0xAC, 0x20}), L"\u00E9\u20AC"},
                      ValueTextCase{"EmbeddedNulCharacter", Bytes({'a', 0, 0, 0, 'b', 0}), L"ab"}),
    [](const ::testing::TestParamInfo<ValueTextCase>& info) { return std::string(info.param.name); });

}  // namespace
