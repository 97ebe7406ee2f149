// Registry cases that hold for the platform's registry and for the in-memory stand-in
// alike. Under Wine they run against the real functions on a scratch key; on the host
// against the stand-in. Where the two disagree, the stand-in is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "registry/cls_registry.h"
#include "tests/conformance/conformance_env.h"
#include "tests/support/key_tree.h"
#include "tests/support/text.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Raw {
    int32_t result;
    uint32_t type;
    Bytes data;
};

class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = MakeConformanceEnv();
        scratch_ = "Software\\TalvorinConformance\\" + CaseName();
        DeleteKeyTree(Api(), Root(), scratch_);
        ASSERT_EQ(kErrorSuccess, Create(""));
    }
    void TearDown() override { DeleteKeyTree(Api(), Root(), scratch_); }

    RegistryApi& Api() { return env_->Api(); }
    // An owner for a key the seam is about to open: the seam writes the key only when
    // it opened one, so every opened key is closed on every way out of a case.
    OpenedKey NoKey() { return OwnKey(Api(), 0); }
    RegKey Root() const { return static_cast<RegKey>(kHkeyCurrentUser); }
    std::string Path(const std::string& relative) const {
        return relative.empty() ? scratch_ : scratch_ + "\\" + relative;
    }

    // Keys are created below the opened scratch key: through the single-byte functions
    // the platform takes at most 260 characters of path in one call.
    int32_t Create(const std::string& relative) {
        OpenedKey parent = NoKey();
        const int32_t rc = Api().RegCreateKeyExA(Root(), scratch_, 0, 0, kKeyAllSpecificRights, parent.Put(), nullptr);
        if (rc != kErrorSuccess || relative.empty()) return rc;
        OpenedKey key = NoKey();
        return Api().RegCreateKeyExA(parent.Get(), relative, 0, 0, kKeyAllSpecificRights, key.Put(), nullptr);
    }
    void Set(const std::string& relative, const std::string& name, uint32_t type, const Bytes& data) {
        OpenedKey key = NoKey();
        ASSERT_EQ(kErrorSuccess,
                  Api().RegCreateKeyExA(Root(), Path(relative), 0, 0, kKeyAllSpecificRights, key.Put(), nullptr));
        EXPECT_EQ(kErrorSuccess, Api().RegSetValueExA(key.Get(), name, type, data.empty() ? nullptr : data.data(),
                                                      static_cast<uint32_t>(data.size())));
    }
    static Bytes Text(const std::string& text) {
        Bytes b(text.begin(), text.end());
        b.push_back(0);
        return b;
    }
    int32_t Open(const std::string& path, uint32_t access = kKeyQueryValue) {
        OpenedKey key = NoKey();
        return Api().RegOpenKeyExA(Root(), path, 0, access, key.Put());
    }

    Raw Read(const std::string& relative, const std::string& name);

    CLS_Registry Object(const std::string& relative, const std::string& valueName = "") {
        CLS_Registry reg(Api());
        reg.ClassKey(kHkeyCurrentUser);
        reg.SectionKey(Widen(Path(relative)));
        reg.ValueKey(Widen(valueName));
        return reg;
    }

    std::unique_ptr<ConformanceEnv> env_;
    std::string scratch_;
};

Raw RegistryConformance::Read(const std::string& relative, const std::string& name) {
    Raw raw{kErrorFileNotFound, 0, {}};
    OpenedKey key = NoKey();
    raw.result = Api().RegOpenKeyExA(Root(), Path(relative), 0, kKeyQueryValue, key.Put());
    if (raw.result != kErrorSuccess) return raw;
    uint32_t size = 0;
    raw.result = Api().RegQueryValueExA(key.Get(), name, &raw.type, nullptr, &size);
    if (raw.result == kErrorSuccess) {
        raw.data.resize(size);
        raw.result =
            Api().RegQueryValueExA(key.Get(), name, &raw.type, raw.data.empty() ? nullptr : raw.data.data(), &size);
    }
    return raw;
}

std::vector<std::wstring> Names(const NameArray& names, int32_t count) {
    std::vector<std::wstring> out;
    for (int32_t i = 1; i <= count; ++i) out.push_back(names(i));
    return out;
}

TEST_F(RegistryConformance, SubkeysComeBackSortedCaseInsensitivelyWithTheirCaseKept) {
    for (const char* name : {"b", "0010", "Properties", "0002", "A", "c", "0001"}) ASSERT_EQ(0, Create(name));
    NameArray names;
    names.Append(L"stale");
    int32_t count = -1;
    EXPECT_TRUE(Object("").EnumerateSections(names, count));
    EXPECT_EQ(7, count);
    EXPECT_EQ((std::vector<std::wstring>{L"0001", L"0002", L"0010", L"A", L"b", L"c", L"Properties"}),
              Names(names, count));
    EXPECT_EQ(1, names.LBound());
}

TEST_F(RegistryConformance, NamesCompareCaseInsensitively) {
    ASSERT_EQ(0, Create("MixedCase"));
    Set("MixedCase", "DriverDesc", kRegSz, Text("Adapter"));
    EXPECT_EQ(0, Open(Path("mixedcase")));
    auto reg = Object("MIXEDCASE", "driverdesc");
    EXPECT_EQ(Variant(L"Adapter"), reg.Value());
    // Creating it again under another case opens the existing key.
    ASSERT_EQ(0, Create("MIXEDcase"));
    NameArray names;
    int32_t count = 0;
    Object("").EnumerateSections(names, count);
    ASSERT_EQ(1, count);
    EXPECT_EQ(L"MixedCase", names(1));
}

TEST_F(RegistryConformance, PathsAcceptATrailingBackslashAndRefuseALeadingOne) {
    ASSERT_EQ(0, Create("Key"));
    EXPECT_EQ(kErrorSuccess, Open(Path("Key") + "\\"));
    EXPECT_EQ(kErrorBadPathname, Open("\\" + Path("Key")));
    EXPECT_EQ(kErrorFileNotFound, Open(Path("Missing")));
    EXPECT_TRUE(Object("Key\\").KeyExists());
    EXPECT_FALSE(Object("Missing").KeyExists());
}

TEST_F(RegistryConformance, KeyExistsIgnoresTheValueName) {
    ASSERT_EQ(0, Create("Key"));
    EXPECT_TRUE(Object("Key", "no such value").KeyExists());
    EXPECT_FALSE(Object("Key\\Deeper", "").KeyExists());
}

TEST_F(RegistryConformance, ARootKeyOfZeroOpensNothing) {
    CLS_Registry reg(Api());
    reg.SectionKey(L"Software");
    EXPECT_FALSE(reg.KeyExists());
    NameArray names;
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(0, count);
}

TEST_F(RegistryConformance, CreatingAKeyCreatesEveryMissingKeyOnThePath) {
    ASSERT_EQ(0, Create("One\\Two\\Three"));
    EXPECT_EQ(0, Open(Path("One")));
    EXPECT_EQ(0, Open(Path("One\\Two")));
    EXPECT_EQ(0, Open(Path("One\\Two\\Three")));
    // Its reserved argument must be 0: anything else is ERROR_INVALID_PARAMETER (87)
    // and creates nothing.
    OpenedKey key = NoKey();
    EXPECT_EQ(87, Api().RegCreateKeyExA(Root(), Path("Reserved"), 1, 0, kKeyAllSpecificRights, key.Put(), nullptr));
    EXPECT_EQ(kErrorFileNotFound, Open(Path("Reserved")));
}

TEST_F(RegistryConformance, DeletingAKeyWithSubkeysIsRefusedAndAMissingKeyIsNotFound) {
    ASSERT_EQ(0, Create("Parent\\Child"));
    EXPECT_EQ(kErrorAccessDenied, Api().RegDeleteKeyA(Root(), Path("Parent")));
    EXPECT_EQ(0, Open(Path("Parent\\Child")));
    EXPECT_EQ(kErrorFileNotFound, Api().RegDeleteKeyA(Root(), Path("Nowhere")));
    EXPECT_EQ(kErrorSuccess, Api().RegDeleteKeyA(Root(), Path("Parent\\Child")));
    EXPECT_EQ(kErrorSuccess, Api().RegDeleteKeyA(Root(), Path("parent")));
    EXPECT_EQ(kErrorFileNotFound, Open(Path("Parent")));
}

TEST_F(RegistryConformance, EnumeratingSubkeysReportsTooSmallBuffersAndTheEnd) {
    ASSERT_EQ(0, Create("Long Name"));
    OpenedKey key = NoKey();
    ASSERT_EQ(0, Api().RegOpenKeyExA(Root(), Path(""), 0, kKeyEnumerateSubKeys, key.Put()));
    char small[5] = {};
    EXPECT_EQ(kErrorMoreData, Api().RegEnumKeyA(key.Get(), 0, small, sizeof small));
    char exact[10] = {};
    EXPECT_EQ(kErrorSuccess, Api().RegEnumKeyA(key.Get(), 0, exact, sizeof exact));
    EXPECT_STREQ("Long Name", exact);
    EXPECT_EQ(kErrorNoMoreItems, Api().RegEnumKeyA(key.Get(), 1, exact, sizeof exact));
}

TEST_F(RegistryConformance, TheValueProbeReportsTypeAndSizeWithoutData) {
    Set("", "WithData", kRegSz, Text("Adapter"));
    Set("", "Empty", kRegBinary, {});
    OpenedKey key = NoKey();
    ASSERT_EQ(0, Api().RegOpenKeyExA(Root(), Path(""), 0, kKeyQueryValue, key.Put()));
    struct Case {
        const char* name;
        int32_t result;
        uint32_t type;
        uint32_t size;
    };
    for (const Case& c : {Case{"WithData", kErrorMoreData, kRegSz, 8}, Case{"Empty", kErrorSuccess, kRegBinary, 0}}) {
        uint8_t probe[4] = {};
        uint32_t type = 99;
        uint32_t size = 0;
        EXPECT_EQ(c.result, Api().RegQueryValueExA(key.Get(), c.name, &type, probe, &size)) << c.name;
        EXPECT_EQ(c.type, type) << c.name;
        EXPECT_EQ(c.size, size) << c.name;
    }
    uint8_t probe[4] = {};
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(kErrorFileNotFound, Api().RegQueryValueExA(key.Get(), "Missing", &type, probe, &size));
}

TEST_F(RegistryConformance, ValueReadsEveryStoredType) {
    struct Case {
        const char* name;
        uint32_t type;
        Bytes data;
        Variant expected;
    };
    const std::vector<Case> cases = {
        {"Sz", kRegSz, Text("abc"), Variant(L"abc")},
        {"SzOnlyTerminator", kRegSz, Text(""), Variant(L"")},
        {"Multi", kRegMultiSz, {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}, Variant(std::wstring(L"one\0two\0", 8))},
        {"Dword", kRegDword, {1, 0, 0, 0}, Variant(int32_t{1})},
        {"NegativeDword", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, Variant(int32_t{-1})},
        {"BigEndian", kRegDwordBigEndian, {0, 0, 0, 1}, Variant(int32_t{1})},
        {"Binary", kRegBinary, {1, 2, 3}, Variant(ByteArray(0, {1, 2, 3}))},
        {"EmptyBinary", kRegBinary, {}, Variant(ByteArray(0, {}))},
        {"None", kRegNone, {9, 8}, Variant(ByteArray(0, {9, 8}))},
        {"Qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}, Variant(ByteArray(0, {1, 2, 3, 4, 5, 6, 7, 8}))},
    };
    for (const Case& c : cases) Set("", c.name, c.type, c.data);
    for (const Case& c : cases) {
        auto reg = Object("", c.name);
        reg.ValueType(kRegSz);
        EXPECT_EQ(c.expected, reg.Value()) << c.name;
        EXPECT_EQ(static_cast<int32_t>(c.type), reg.ValueType()) << c.name;
    }
}

TEST_F(RegistryConformance, AnUnreadableValueGivesTheDefaultAndKeepsTheType) {
    Set("", "Present", kRegSz, Text("x"));
    for (const std::string& section : {std::string(""), std::string("Missing Key")}) {
        auto reg = Object(section, "Absent");
        reg.ValueType(kRegBinary);
        EXPECT_EQ(Variant(), reg.Value()) << section;
        reg.Default(Variant(L"fallback"));
        EXPECT_EQ(Variant(L"fallback"), reg.Value()) << section;
        EXPECT_EQ(kRegBinary, reg.ValueType()) << section;
    }
}

TEST_F(RegistryConformance, AStringValueWithoutAnyDataRaisesTheInvalidArgumentError) {
    Set("", "EmptyText", kRegSz, {});
    auto reg = Object("", "EmptyText");
    try {
        reg.Value();
        FAIL() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_EQ(5, e.Number());
    }
}

TEST_F(RegistryConformance, ADwordStoredWithMoreThanFourBytesGivesItsFirstFour) {
    Set("", "LongDword", kRegDword, {0x44, 0x33, 0x22, 0x11, 0xAA, 0xBB, 0xCC, 0xDD});
    auto reg = Object("", "LongDword");
    EXPECT_EQ(Variant(int32_t{0x11223344}), reg.Value());
    Set("", "ShortDword", kRegDword, {0x05, 0x01});
    EXPECT_EQ(Variant(int32_t{0x0105}), Object("", "ShortDword").Value());
}

TEST_F(RegistryConformance, ExpandableTextIsExpanded) {
    env_->SetEnvironmentVariable("TDM_CONFORMANCE_DIR", "C:\\Adapters");
    Set("", "Path", kRegExpandSz, Text("%TDM_CONFORMANCE_DIR%\\driver.sys"));
    EXPECT_EQ(Variant(L"C:\\Adapters\\driver.sys"), Object("", "Path").Value());
    Set("", "Unknown", kRegExpandSz, Text("%TDM_NOT_SET_ANYWHERE%"));
    EXPECT_EQ(Variant(L"%TDM_NOT_SET_ANYWHERE%"), Object("", "Unknown").Value());
}

TEST_F(RegistryConformance, ExpandEnvironmentStringsAReportsTheSizeWithItsTerminator) {
    // "ab\y" and its terminator: 5 bytes. The documentation answers a size query and a
    // buffer too small with the size the buffer needs, and asks the single-byte
    // function's buffer to hold a byte more than the text and its terminator: 5 (Wine)
    // or 6 both keep that promise. Given the spare byte, it expands.
    env_->SetEnvironmentVariable("TDM_CONFORMANCE_DIR", "ab");
    char buffer[8] = "-------";
    for (uint32_t size : {0u, 2u, 7u}) {
        const uint32_t answer = Api().ExpandEnvironmentStringsA("%TDM_CONFORMANCE_DIR%\\y", buffer, size);
        EXPECT_TRUE(answer == 5u || answer == 6u) << size << " answered " << answer;
    }
    EXPECT_STREQ("ab\\y", buffer);
}

TEST_F(RegistryConformance, EnumerateValuesListsEveryNameIncludingTheUnnamedOne) {
    Set("", "Zeta", kRegSz, Text("1"));
    Set("", "alpha", kRegDword, {1, 0, 0, 0});
    Set("", "", kRegSz, Text("default"));
    Set("", "Middle Name", kRegBinary, {1});
    NameArray names;
    names.Append(L"old");
    int32_t count = 0;
    EXPECT_TRUE(Object("").EnumerateValues(names, count));
    ASSERT_EQ(4, count);
    std::vector<std::wstring> got = Names(names, count);
    std::sort(got.begin(), got.end());
    EXPECT_EQ((std::vector<std::wstring>{L"", L"Middle Name", L"Zeta", L"alpha"}), got);
}

TEST_F(RegistryConformance, EnumerationsOfAMissingOrEmptyKeyAreEmpty) {
    ASSERT_EQ(0, Create("Empty"));
    for (const char* section : {"Empty", "Missing"}) {
        NameArray names;
        names.Append(L"old");
        int32_t count = -1;
        EXPECT_TRUE(Object(section).EnumerateValues(names, count));
        EXPECT_EQ(0, count);
        EXPECT_TRUE(names.IsEmpty());
        names.Append(L"old");
        count = -1;
        EXPECT_TRUE(Object(section).EnumerateSections(names, count));
        EXPECT_EQ(0, count);
        EXPECT_TRUE(names.IsEmpty());
    }
}

TEST_F(RegistryConformance, ASubkeyWithTheLongestLegalNameIsListedWithTheOthers) {
    const std::string longest(255, 'k');
    for (const std::string& name : {std::string("a"), longest, std::string("z")}) ASSERT_EQ(0, Create(name));
    NameArray names;
    int32_t count = 0;
    Object("").EnumerateSections(names, count);
    ASSERT_EQ(3, count);
    EXPECT_EQ(L"a", names(1));
    EXPECT_EQ(std::wstring(255, L'k'), names(2));
    EXPECT_EQ(L"z", names(3));
}

TEST_F(RegistryConformance, AnEmptyPathComponentInsideAPathIsSkipped) {
    ASSERT_EQ(0, Create("A\\B"));
    EXPECT_EQ(kErrorSuccess, Open(Path("A") + "\\\\B"));
}

// ---- writing ----

TEST_F(RegistryConformance, WritesStoreTheTypeAndBytesOfTheirRule) {
    struct Case {
        const char* name;
        int32_t valueType;
        Variant value;
        uint32_t type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"Text", kRegSz, Variant(L"Hello"), kRegSz, Text("Hello")},
        {"EmptyText", kRegSz, Variant(L""), kRegSz, Text("")},
        {"Number as text", kRegSz, Variant(int32_t{-7}), kRegSz, Text("-7")},
        {"Expandable", kRegSz, Variant(L"%SystemRoot%\\x"), kRegExpandSz, Text("%SystemRoot%\\x")},
        {"Plain expand", kRegExpandSz, Variant(L"no percent"), kRegSz, Text("no percent")},
        {"Adjacent", kRegSz, Variant(L"%%"), kRegSz, Text("%%")},
        {"BigEndian", kRegDwordBigEndian, Variant(int32_t{1}), kRegDword, {1, 0, 0, 0}},
        {"Short", kRegDword, Variant(int16_t{-1}), kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"Binary", kRegBinary, Variant(ByteArray(0, {1, 2, 3})), kRegBinary, {1, 2, 3}},
        {"One byte", kRegBinary, Variant(ByteArray(0, {7})), kRegBinary, {7}},
    };
    for (const Case& c : cases) {
        auto reg = Object("Written", c.name);
        reg.ValueType(c.valueType);
        reg.Value(c.value);
    }
    for (const Case& c : cases) {
        const Raw raw = Read("Written", c.name);
        EXPECT_EQ(kErrorSuccess, raw.result) << c.name;
        EXPECT_EQ(c.type, raw.type) << c.name;
        EXPECT_EQ(c.data, raw.data) << c.name;
    }
    auto back = Object("Written", "BigEndian");
    EXPECT_EQ(Variant(int32_t{1}), back.Value());
    EXPECT_EQ(kRegDword, back.ValueType());
    EXPECT_EQ(Variant(ByteArray(0, {1, 2, 3})), Object("Written", "Binary").Value());
}

TEST_F(RegistryConformance, RefusedWritesStillCreateTheKey) {
    struct Case {
        const char* key;
        int32_t valueType;
    };
    for (const Case& c : {Case{"ByDword\\Deeper", kRegDword}, Case{"ByMulti", kRegMultiSz}}) {
        auto reg = Object(c.key, "Refused");
        reg.ValueType(c.valueType);
        try {
            reg.Value(Variant(L"5"));
            ADD_FAILURE() << "no error raised for " << c.key;
        } catch (const AppError& e) {
            EXPECT_EQ(-2147194455, e.Number()) << c.key;
        }
        EXPECT_TRUE(reg.KeyExists()) << c.key;
        EXPECT_EQ(kErrorFileNotFound, Read(c.key, "Refused").result) << c.key;
    }
}

TEST_F(RegistryConformance, DeleteKeyRemovesOneKeyOnly) {
    ASSERT_EQ(0, Create("Tree\\Leaf"));
    auto tree = Object("Tree");
    EXPECT_THROW(tree.DeleteKey(), AppError);
    EXPECT_TRUE(Object("Tree\\Leaf").KeyExists());
    EXPECT_TRUE(Object("Tree\\Leaf").DeleteKey());
    EXPECT_TRUE(tree.DeleteKey());
    EXPECT_FALSE(tree.KeyExists());
    EXPECT_TRUE(Object("").KeyExists());
    EXPECT_THROW(tree.DeleteKey(), AppError);
}

TEST_F(RegistryConformance, CreateAndDeleteValue) {
    auto reg = Object("Made\\Here", "Gone");
    EXPECT_THROW(reg.DeleteValue(), AppError);  // no key to open
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_THROW(reg.DeleteValue(), AppError);  // no such value
    Set("Made\\Here", "Gone", kRegSz, Text("x"));
    Set("Made\\Here", "Stays", kRegSz, Text("y"));
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(kErrorFileNotFound, Read("Made\\Here", "Gone").result);
    EXPECT_EQ(kErrorSuccess, Read("Made\\Here", "Stays").result);
}

}  // namespace
