// The changing side of the registry object against the in-memory registry: every
// write rule, every error number and text, and the refusals only injection gives.
#include <gtest/gtest.h>

#include "registry/cls_registry.h"
#include "stand_in/memory_registry.h"

namespace {

using Op = MemoryRegistry::Op;
using Bytes = std::vector<uint8_t>;
const std::string kKey = "Software\\Talvorin\\Test";

class ClsRegistryWrite : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(0u, mem_.OpenHandleCount()) << "a key handle was left open"; }

    CLS_Registry Object(int32_t type = kRegSz, const std::wstring& value = L"Name") {
        CLS_Registry reg(mem_);
        reg.ClassKey(kHkeyLocalMachine);
        reg.SectionKey(L"Software\\Talvorin\\Test");
        reg.ValueKey(value);
        reg.ValueType(type);
        return reg;
    }
    std::optional<MemoryRegistry::StoredValue> Stored(const std::string& name = "Name") {
        return mem_.GetValue(kHkeyLocalMachine, kKey, name);
    }
    // Runs f and returns the error it raised; fails the test if it raised none.
    template <typename F>
    AppError Raised(F f) {
        try {
            f();
        } catch (const AppError& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return AppError(0, L"", L"");
    }

    MemoryRegistry mem_;
};

TEST_F(ClsRegistryWrite, TextTypeFollowsThePercentRule) {
    struct Case {
        int32_t valueType;
        const wchar_t* text;
        uint32_t stored;
    };
    const Case cases[] = {
        {kRegSz, L"%WINDIR%\\x", kRegExpandSz},
        {kRegExpandSz, L"%WINDIR%\\x", kRegExpandSz},
        {kRegExpandSz, L"plain", kRegSz},
        {kRegSz, L"100%", kRegSz},
        {kRegSz, L"%%", kRegSz},
        {kRegSz, L"a%b%c", kRegExpandSz},
        {kRegSz, L"%x%", kRegExpandSz},
        {kRegSz, L"%%%", kRegExpandSz},
    };
    for (const Case& c : cases) {
        Object(c.valueType).Value(Variant(c.text));
        auto stored = Stored();
        ASSERT_TRUE(stored) << c.text;
        EXPECT_EQ(c.stored, stored->type) << c.text;
    }
}

TEST_F(ClsRegistryWrite, TextIsStoredWithItsTerminator) {
    struct Case {
        Variant value;
        Bytes bytes;
    };
    const Case cases[] = {
        {Variant(L"Hello"), {'H', 'e', 'l', 'l', 'o', 0}},
        {Variant(L""), {0}},
        {Variant(), {0}},
        {Variant(int32_t{-42}), {'-', '4', '2', 0}},
    };
    for (const Case& c : cases) {
        Object().Value(c.value);
        EXPECT_EQ(c.bytes, Stored()->data) << c.value.ToText();
    }
}

TEST_F(ClsRegistryWrite, MultibyteTextKeepsEveryByteAndItsTerminator) {
    mem_.SetCodePage(MemoryRegistry::CodePage::DoubleByte);
    const std::wstring text = L"\x4E2D\x4E8C";
    Object().Value(Variant(text));
    const Bytes data = Stored()->data;
    ASSERT_EQ(5u, data.size());
    EXPECT_EQ(0, data.back());
    EXPECT_EQ(Variant(text), Object().Value());
}

TEST_F(ClsRegistryWrite, DwordsAreStoredLittleEndianAsPlainDwords) {
    struct Case {
        int32_t valueType;
        Variant value;
        Bytes bytes;
    };
    const Case cases[] = {
        {kRegDwordBigEndian, Variant(int32_t{1}), {1, 0, 0, 0}},
        {kRegDword, Variant(int16_t{-1}), {0xFF, 0xFF, 0xFF, 0xFF}},
        {kRegDword, Variant(int32_t{0x11223344}), {0x44, 0x33, 0x22, 0x11}},
    };
    for (const Case& c : cases) {
        Object(c.valueType).Value(c.value);
        EXPECT_EQ(static_cast<uint32_t>(kRegDword), Stored()->type);
        EXPECT_EQ(c.bytes, Stored()->data);
    }
    auto reg = Object(kRegDwordBigEndian);
    reg.Value(Variant(int32_t{1}));
    EXPECT_EQ(Variant(int32_t{1}), reg.Value());
    EXPECT_EQ(kRegDword, reg.ValueType());
}

TEST_F(ClsRegistryWrite, BinaryTakesByteArraysFromElementZero) {
    Object(kRegBinary).Value(Variant(ByteArray(0, {1, 2, 3})));
    EXPECT_EQ((Bytes{1, 2, 3}), Stored()->data);
    EXPECT_EQ(Variant(ByteArray(0, {1, 2, 3})), Object().Value());

    struct Refused {
        Variant value;
        int32_t number;
        const wchar_t* description;
    };
    const Refused refused[] = {
        {Variant(L"abc"), 26001, L"Application-defined or object-defined error"},
        {Variant(ByteArray(1, {1, 2})), 9, L"Subscript out of range"},
        {Variant(ByteArray()), 9, L"Subscript out of range"},
    };
    for (const Refused& c : refused) {
        const AppError e = Raised([&] { Object(kRegBinary, L"Other").Value(c.value); });
        EXPECT_EQ(c.number, e.Number());
        EXPECT_EQ(L"", e.Source());
        EXPECT_EQ(c.description, e.Description());
        EXPECT_FALSE(Stored("Other"));
    }
}

// A type without a rule, and a number type given something that is not an integer,
// are refused like data the platform will not store: the key is made, nothing stored.
TEST_F(ClsRegistryWrite, WritesThatStoreNothingFailButLeaveTheKeyCreated) {
    struct Case {
        int32_t type;
        Variant value;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {0, Variant(L"x"), L"x"},
        {kRegLink, Variant(L"x"), L"x"},
        {kRegMultiSz, Variant(L"x"), L"x"},
        {8, Variant(L"x"), L"x"},
        {kRegQword, Variant(int32_t{1}), L"1"},
        {kRegDword, Variant(L"7"), L"7"},
        {kRegDwordBigEndian, Variant(2.5), L"2.5"},
        {kRegDword, Variant(true), L"True"},
        {kRegDword, Variant(false), L"False"},
        {kRegDword, Variant(uint8_t{3}), L"3"},
        {kRegDword, Variant(), L""},
    };
    for (const Case& c : cases) {
        mem_ = MemoryRegistry();
        const AppError e = Raised([&] { Object(c.type).Value(c.value); });
        EXPECT_EQ(-2147194455, e.Number()) << c.type << " " << c.value.ToText();
        EXPECT_EQ(L"TalvorinDeviceManager.cRegistry", e.Source());
        EXPECT_EQ(std::wstring(L"Failed to set registry value Key: '-2147483646',Section: 'Software\\Talvorin\\Test',"
                               L"Key: 'Name' to value: '") +
                      c.shown + L"'",
                  e.Description());
        EXPECT_TRUE(mem_.HasKey(kHkeyLocalMachine, kKey)) << c.type;
        EXPECT_FALSE(Stored()) << c.type;
    }
}

TEST_F(ClsRegistryWrite, RefusalsRaiseTheirNumbersAndTexts) {
    mem_.Refuse(Op::Create, kHkeyLocalMachine, kKey);
    AppError e = Raised([&] { Object().Value(Variant(L"v")); });
    EXPECT_EQ(26001, e.Number());
    EXPECT_EQ(
        L"Failed to set registry value Key: '-2147483646',Section: 'Software\\Talvorin\\Test',Key: 'Name' to "
        L"value: 'v'",
        e.Description());
    e = Raised([&] { Object().CreateKey(); });
    EXPECT_EQ(26001, e.Number());
    EXPECT_EQ(L"Failed to create registry Key: 'Software\\Talvorin\\Test", e.Description());

    mem_.ClearFailures();
    mem_.Refuse(Op::SetValue, kHkeyLocalMachine, kKey);
    e = Raised([&] { Object().Value(Variant(int32_t{5})); });
    EXPECT_EQ(-2147194455, e.Number());
    EXPECT_EQ(
        L"Failed to set registry value Key: '-2147483646',Section: 'Software\\Talvorin\\Test',Key: 'Name' to "
        L"value: '5'",
        e.Description());
}

TEST_F(ClsRegistryWrite, CreateKeyMakesTheWholePathAndAcceptsAnExistingKey) {
    EXPECT_TRUE(Object().CreateKey());
    EXPECT_TRUE(Object().CreateKey());
    EXPECT_TRUE(mem_.HasKey(kHkeyLocalMachine, "Software\\Talvorin"));
    EXPECT_TRUE(mem_.HasKey(kHkeyLocalMachine, kKey));
}

TEST_F(ClsRegistryWrite, DeleteKeyDeletesOneKeyAndIsRefusedWhileItHasSubkeys) {
    mem_.AddKey(kHkeyLocalMachine, kKey + "\\Child");
    AppError e = Raised([&] { Object().DeleteKey(); });
    EXPECT_EQ(26001, e.Number());
    EXPECT_EQ(L"Failed to delete registry Key: '-2147483646',Section: 'Software\\Talvorin\\Test", e.Description());
    EXPECT_TRUE(mem_.HasKey(kHkeyLocalMachine, kKey + "\\Child"));

    auto child = Object();
    child.SectionKey(L"Software\\Talvorin\\Test\\Child");
    EXPECT_TRUE(child.DeleteKey());
    EXPECT_TRUE(Object().DeleteKey());
    EXPECT_FALSE(mem_.HasKey(kHkeyLocalMachine, kKey));
    EXPECT_TRUE(mem_.HasKey(kHkeyLocalMachine, "Software\\Talvorin"));
    EXPECT_EQ(26001, Raised([&] { Object().DeleteKey(); }).Number());
}

TEST_F(ClsRegistryWrite, DeleteValueNamesWhatItCouldNotDo) {
    AppError e = Raised([&] { Object().DeleteValue(); });
    EXPECT_EQ(26001, e.Number());
    EXPECT_EQ(L"Failed to open key '-2147483646',Section: 'Software\\Talvorin\\Test' for delete access",
              e.Description());

    mem_.AddKey(kHkeyLocalMachine, kKey);
    e = Raised([&] { Object().DeleteValue(); });
    EXPECT_EQ(L"Failed to delete registry Key: '-2147483646',Section: 'Software\\Talvorin\\Test',Key: 'Name",
              e.Description());

    mem_.SetString(kHkeyLocalMachine, kKey, "Name", "x");
    mem_.SetString(kHkeyLocalMachine, kKey, "Other", "y");
    EXPECT_TRUE(Object().DeleteValue());
    EXPECT_FALSE(Stored("Name"));
    EXPECT_TRUE(Stored("Other"));
}

TEST_F(ClsRegistryWrite, HkeyClassesRootIsNamedAsASignedNumber) {
    auto reg = Object();
    reg.ClassKey(kHkeyClassesRoot);
    reg.SectionKey(L"Missing");
    EXPECT_EQ(L"Failed to delete registry Key: '-2147483648',Section: 'Missing",
              Raised([&] { reg.DeleteKey(); }).Description());
}

}  // namespace
