// The reading side of the registry object against the in-memory registry, with the
// failures the real registry will not produce on demand.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "registry/cls_registry.h"
#include "stand_in/memory_registry.h"
#include "tests/support/text.h"

namespace {

using Op = MemoryRegistry::Op;
const std::string kKey = "SYSTEM\\Adapters";

class ClsRegistryRead : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(0u, mem_.OpenHandleCount()) << "a key handle was left open"; }

    CLS_Registry Object(const std::string& section = kKey, const std::wstring& value = L"") {
        CLS_Registry reg(mem_);
        reg.ClassKey(kHkeyLocalMachine);
        reg.SectionKey(Widen(section));
        reg.ValueKey(value);
        return reg;
    }
    std::vector<std::wstring> Sections(const std::string& section = kKey) {
        NameArray names;
        int32_t count = -1;
        EXPECT_TRUE(Object(section).EnumerateSections(names, count));
        EXPECT_EQ(names.Count(), count);
        return names.Items();
    }

    MemoryRegistry mem_;
};

TEST_F(ClsRegistryRead, ARefusedOpenReadsAsMissingEverywhere) {
    mem_.SetString(kHkeyLocalMachine, kKey, "DriverDesc", "Adapter");
    mem_.AddKey(kHkeyLocalMachine, kKey + "\\0000");
    mem_.Refuse(Op::Open, kHkeyLocalMachine, kKey);
    auto reg = Object(kKey, L"DriverDesc");
    reg.Default(Variant(L"none"));
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_EQ(Variant(L"none"), reg.Value());
    EXPECT_TRUE(Sections().empty());
    NameArray values;
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateValues(values, count));
    EXPECT_EQ(0, count);
}

TEST_F(ClsRegistryRead, KeyExistsNeedsQueryAccessOnly) {
    mem_.AddKey(kHkeyLocalMachine, kKey);
    // Refusing enumeration rights leaves the query-only open alone.
    mem_.Refuse(Op::Open, kHkeyLocalMachine, kKey, 5, kKeyEnumerateSubKeys);
    EXPECT_TRUE(Object().KeyExists());
    EXPECT_TRUE(Sections().empty());
}

TEST_F(ClsRegistryRead, AFailingEnumerationEndsTheListWithTheNamesFoundSoFar) {
    for (const char* name : {"0000", "0001", "0002"}) mem_.AddKey(kHkeyLocalMachine, kKey + "\\" + name);
    mem_.FailCall(Op::EnumKey, 2, kErrorAccessDenied);
    EXPECT_EQ(std::vector<std::wstring>{L"0000"}, Sections());
    mem_.Refuse(Op::EnumKey, kHkeyLocalMachine, kKey);
    EXPECT_TRUE(Sections().empty());
}

TEST_F(ClsRegistryRead, AFailureInsideTheSubkeyEnumerationBecomesItsOwnError) {
    mem_.AddKey(kHkeyLocalMachine, kKey + "\\0000");
    mem_.ThrowOn(Op::EnumKey, kHkeyLocalMachine, kKey);
    mem_.SetExecutableBaseName(L"AdapterTool");
    NameArray names;
    names.Append(L"old");
    int32_t count = -1;
    try {
        Object().EnumerateSections(names, count);
        FAIL() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_EQ(-2147194454, e.Number());
        EXPECT_EQ(L"AdapterTool.cRegistry", e.Source());
        EXPECT_EQ(L"Out of memory", e.Description());
    }
    EXPECT_EQ(0, count);
    EXPECT_TRUE(names.IsEmpty());
}

TEST_F(ClsRegistryRead, AStringValueWithoutDataRaisesAndClosesItsKey) {
    for (int32_t type : {kRegSz, kRegExpandSz, kRegMultiSz}) {
        mem_.SetValue(kHkeyLocalMachine, kKey, "Empty", static_cast<uint32_t>(type), {});
        try {
            Object(kKey, L"Empty").Value();
            ADD_FAILURE() << "no error for type " << type;
        } catch (const AppError& e) {
            EXPECT_EQ(5, e.Number()) << type;
        }
        EXPECT_EQ(0u, mem_.OpenHandleCount());
    }
}

TEST_F(ClsRegistryRead, TextIsTakenWholeWithoutCuttingAtANul) {
    // Characters the read leaves unfilled stay NUL characters of the result.
    mem_.SetValue(kHkeyLocalMachine, kKey, "Padded", kRegSz, {'a', 0, 'b', 0, 0});
    EXPECT_EQ(Variant(std::wstring(L"a\0b\0", 4)), Object(kKey, L"Padded").Value());
}

// Another program may change a value between the probe and the read that follows it.
TEST_F(ClsRegistryRead, AValueChangedAfterItsProbeIsProbedAgain) {
    struct Case {
        const char* what;
        uint32_t storedType;
        std::vector<uint8_t> stored;
        std::function<void()> change;
        Variant expected;
        int32_t type;
    };
    const Case cases[] = {
        {"text grows",
         kRegSz,
         {'a', 'b', 0},
         [&] { mem_.SetString(kHkeyLocalMachine, kKey, "V", "a longer text"); },
         Variant(L"a longer text"),
         kRegSz},
        {"bytes grow",
         kRegBinary,
         {1, 2},
         [&] {
             mem_.SetValue(kHkeyLocalMachine, kKey, "V", kRegBinary, {1, 2, 3, 4, 5});
         },
         Variant(ByteArray(0, {1, 2, 3, 4, 5})),
         kRegBinary},
        // The read fills fewer bytes than the probe announced: no zero padding.
        {"bytes shrink",
         kRegBinary,
         {1, 2, 3, 4, 5},
         [&] {
             mem_.SetValue(kHkeyLocalMachine, kKey, "V", kRegBinary, {7, 8});
         },
         Variant(ByteArray(0, {7, 8})),
         kRegBinary},
        {"type changes",
         kRegDword,
         {1, 0, 0, 0},
         [&] {
             mem_.SetValue(kHkeyLocalMachine, kKey, "V", kRegBinary, {9, 8, 7, 6});
         },
         Variant(ByteArray(0, {9, 8, 7, 6})),
         kRegBinary},
        {"key deleted",
         kRegDword,
         {1, 0, 0, 0},
         [&] { mem_.RegDeleteKeyA(static_cast<RegKey>(kHkeyLocalMachine), kKey); },
         Variant(L"none"),
         kRegMultiSz},
    };
    for (const Case& c : cases) {
        mem_ = MemoryRegistry();
        mem_.SetValue(kHkeyLocalMachine, kKey, "V", c.storedType, c.stored);
        mem_.AfterQueryValue([&](int call) {
            if (call == 1) c.change();
        });
        auto reg = Object(kKey, L"V");
        reg.ValueType(kRegMultiSz);
        reg.Default(Variant(L"none"));
        EXPECT_EQ(c.expected, reg.Value()) << c.what;
        EXPECT_EQ(c.type, reg.ValueType()) << c.what;
        EXPECT_EQ(0u, mem_.OpenHandleCount()) << c.what;
    }

    // One that grows after every call never settles and counts as missing.
    mem_.SetValue(kHkeyLocalMachine, kKey, "V", kRegBinary, {1});
    std::vector<uint8_t> bytes{1};
    mem_.AfterQueryValue([&](int) {
        bytes.push_back(0);
        mem_.SetValue(kHkeyLocalMachine, kKey, "V", kRegBinary, bytes);
    });
    auto reg = Object(kKey, L"V");
    reg.Default(Variant(L"none"));
    EXPECT_EQ(Variant(L"none"), reg.Value());
    EXPECT_EQ(0, reg.ValueType());
}

TEST_F(ClsRegistryRead, ADwordOfMoreThanFourBytesNeverWritesPastTheInteger) {
    // Under AddressSanitizer a write past a 4-byte integer would stop the test.
    std::vector<uint8_t> data(64, 0xEE);
    data[0] = 7;
    data[1] = data[2] = data[3] = 0;
    mem_.SetValue(kHkeyLocalMachine, kKey, "Big", kRegDwordBigEndian, data);
    EXPECT_EQ(Variant(int32_t{0x07000000}), Object(kKey, L"Big").Value());
}

TEST_F(ClsRegistryRead, AnEnvironmentThatGrowsAfterTheSizeQueryIsSizedAgain) {
    // The size query of "%TDM_DIR%\y" with "ab" answers 5 (the text and its terminator,
    // as Wine does) or 6 (and the spare byte, as the documentation allows). Between the
    // size query (call 1) and the expansion the text may grow: to a size at or above the
    // buffer's, the expansion answers that size and writes nothing.
    struct Case {
        bool countsSpareByte;
        const char* grown;  // the value at the expansion; null: unchanged
        const wchar_t* expanded;
    };
    const Case cases[] = {
        {false, nullptr, L"ab\\y"},          {true, nullptr, L"ab\\y"},
        {false, "abc", L"abc\\y"},  // answers 6, exactly the buffer's size
        {false, "abcdefgh", L"abcdefgh\\y"}, {true, "abcdefgh", L"abcdefgh\\y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expanded);
        mem_.SetExpandCountsSpareByte(c.countsSpareByte);
        mem_.SetEnvironment("TDM_DIR", "ab");
        mem_.SetString(kHkeyLocalMachine, kKey, "Path", "%TDM_DIR%\\y", kRegExpandSz);
        mem_.BeforeExpand([this, &c](int call) {
            if (call == 2 && c.grown) mem_.SetEnvironment("TDM_DIR", c.grown);
        });
        EXPECT_EQ(Variant(c.expanded), Object(kKey, L"Path").Value());
    }
}

TEST_F(ClsRegistryRead, AnExpansionThatFailsOrNeverFitsRaisesTheInvalidArgumentError) {
    // ExpandEnvironmentStringsA answers 0 when it fails, and the size needed when the
    // buffer is too small.
    const std::function<void()> failures[] = {
        [this] { mem_.FailCall(Op::Expand, 1, 1); },  // the size query fails
        [this] { mem_.FailCall(Op::Expand, 2, 1); },  // the expansion fails
        [this] {                                      // the text grows before every call
            mem_.BeforeExpand([this](int call) { mem_.SetEnvironment("TDM_DIR", std::string(8 * call, 'x')); });
        },
    };
    for (const auto& fail : failures) {
        mem_.ClearFailures();
        mem_.BeforeExpand(nullptr);
        mem_.SetEnvironment("TDM_DIR", "ab");
        mem_.SetString(kHkeyLocalMachine, kKey, "Path", "%TDM_DIR%", kRegExpandSz);
        fail();
        try {
            const Variant value = Object(kKey, L"Path").Value();
            ADD_FAILURE() << "no error raised; read " << value.ToText().size() << " characters";
        } catch (const AppError& e) {
            EXPECT_EQ(5, e.Number());
        }
    }
}

TEST_F(ClsRegistryRead, ReverseDwordBytes) {
    struct Case {
        uint32_t in, out;
    };
    for (const Case& c : {Case{0x11223344u, 0x44332211u}, Case{0x000000FFu, 0xFF000000u}, Case{0u, 0u},
                          Case{0x80000000u, 0x00000080u}}) {
        EXPECT_EQ(static_cast<int32_t>(c.out), CLS_Registry::ReverseDwordBytes(static_cast<int32_t>(c.in)))
            << std::hex << c.in;
    }
    EXPECT_LT(CLS_Registry::ReverseDwordBytes(0xFF), 0);
}

TEST_F(ClsRegistryRead, EnumerateValuesEndsAtAFailingIndexOrARefusedQuery) {
    for (const char* name : {"A", "B", "C"}) mem_.SetString(kHkeyLocalMachine, kKey, name, "x");
    NameArray names;
    int32_t count = 0;
    mem_.FailCall(Op::EnumValue, 3, kErrorAccessDenied);
    EXPECT_TRUE(Object().EnumerateValues(names, count));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B"}), names.Items());
    mem_.Refuse(Op::QueryInfo, kHkeyLocalMachine, kKey);
    EXPECT_TRUE(Object().EnumerateValues(names, count));
    EXPECT_EQ(0, count);
}

// In a multibyte code page a character may take two bytes through the single-byte
// functions: the longest names must still fit the buffers.
TEST_F(ClsRegistryRead, LongestNamesInAMultibyteCodePageAreListed) {
    mem_.SetCodePage(MemoryRegistry::CodePage::DoubleByte);
    const std::wstring wide(255, L'\x4E2D');
    const std::string longest = mem_.ToAnsi(wide);
    ASSERT_EQ(510u, longest.size());
    for (const std::string& name : {std::string("a"), longest, std::string("z")})
        mem_.AddKey(kHkeyLocalMachine, kKey + "\\" + name);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"z", wide}), Sections());

    const std::string valueName = mem_.ToAnsi(std::wstring(40, L'\x00E9'));
    mem_.SetString(kHkeyLocalMachine, kKey, valueName, "x");
    mem_.SetString(kHkeyLocalMachine, kKey, "zz", "x");
    NameArray names;
    int32_t count = 0;
    Object().EnumerateValues(names, count);
    EXPECT_EQ((std::vector<std::wstring>{L"zz", std::wstring(40, L'\x00E9')}), names.Items());
}

TEST(BasedArray, OutOfRangeAccessRaisesSubscriptOutOfRange) {
    BasedArray<int> one(1, {10, 20});
    EXPECT_EQ(20, one(2));
    for (int32_t index : {0, 3, -1}) {
        try {
            one(index);
            ADD_FAILURE() << index;
        } catch (const AppError& e) {
            EXPECT_EQ(9, e.Number());
            EXPECT_EQ(L"Subscript out of range", e.Description());
        }
    }
    BasedArray<int> empty;
    EXPECT_EQ(-1, empty.UBound());
    EXPECT_THROW(empty(0), AppError);
}

// A resize keeps the elements in range; an empty array takes any lower bound, a filled
// one only its own; an empty range (upper bound one below the lower) is no error.
TEST(BasedArray, ReDimPreserveKeepsTheElementsAndChecksTheBounds) {
    struct Case {
        BasedArray<int> start;
        int32_t lower;
        int32_t upper;
        bool raises;
        int32_t lbound;
        std::vector<int> items;
    };
    const Case cases[] = {
        {BasedArray<int>(), 5, 6, false, 5, {0, 0}},
        {BasedArray<int>(1, {10, 20}), 1, 3, false, 1, {10, 20, 0}},
        {BasedArray<int>(1, {10, 20}), 1, 0, false, 1, {}},
        {BasedArray<int>(1, {10, 20}), 1, -1, true, 1, {10, 20}},
        {BasedArray<int>(1, {10, 20}), 2, 3, true, 1, {10, 20}},
    };
    for (const Case& c : cases) {
        BasedArray<int> array = c.start;
        bool raised = false;
        try {
            array.ReDimPreserve(c.lower, c.upper);
        } catch (const AppError& e) {
            raised = e.Number() == 9;
        }
        EXPECT_EQ(c.raises, raised) << c.lower << ".." << c.upper;
        EXPECT_EQ(c.items, array.Items()) << c.lower << ".." << c.upper;
        EXPECT_EQ(c.lbound, array.LBound()) << c.lower << ".." << c.upper;
    }
}

// Every read of bytes is checked through this comparison.
TEST(BasedArray, ArraysAreEqualOnlyWithEqualBoundsAndItems) {
    const ByteArray bytes(0, {1, 2, 3});
    EXPECT_TRUE(bytes == ByteArray(0, {1, 2, 3}));
    EXPECT_TRUE(ByteArray() == ByteArray(0, {}));
    for (const ByteArray& other : {ByteArray(0, {1, 2, 4}), ByteArray(1, {1, 2, 3}), ByteArray(0, {1, 2}),
                                   ByteArray(0, {1, 2, 3, 0}), ByteArray()}) {
        EXPECT_FALSE(bytes == other) << other.LBound() << " " << Variant(other).ToText();
        EXPECT_NE(Variant(bytes), Variant(other));
    }
}

TEST(AppErrorText, AFailureIsDescribedByItsOwnText) {
    auto describe = [](auto raise) {
        try {
            raise();
        } catch (...) {
            return DescribeCurrentException();
        }
        return std::wstring(L"nothing raised");
    };
    EXPECT_EQ(L"no such key", describe([] { throw AppError(26001, L"src", L"no such key"); }));
    // The standard library's message is widened byte for byte.
    EXPECT_EQ(L"caf\x00E9 closed", describe([] { throw std::runtime_error("caf\xE9 closed"); }));
    EXPECT_EQ(L"Out of memory", describe([] { throw std::bad_alloc(); }));
    EXPECT_EQ(L"Unknown error", describe([] { throw 42; }));
    EXPECT_EQ(L"Invalid procedure call or argument", describe([] { RaiseInvalidArgument(); }));
    // What a handler of any standard exception shows: ASCII kept, everything above it '?'.
    EXPECT_STREQ("key \x7F??", AppError(26001, L"src", L"key \x007F\x0080\x00E9").what());
}

TEST(VariantText, EveryKindHasItsTextForm) {
    struct Case {
        Variant value;
        std::wstring text;
    };
    const Case cases[] = {
        {Variant(), L""},         {Variant(int16_t{-1}), L"-1"}, {Variant(int32_t{-2147483646}), L"-2147483646"},
        {Variant(true), L"True"}, {Variant(L"a%b"), L"a%b"},     {Variant(ByteArray(0, {0x0A, 0xFF})), L"0A FF"},
        {Variant(2.5), L"2.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, c.value.ToText());
}

}  // namespace
