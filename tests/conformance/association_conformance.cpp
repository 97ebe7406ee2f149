// File-type registration below HKEY_CLASSES_ROOT, read back key by key with each
// value's stored type: on the host against the stand-in, under Wine against the
// real classes root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/cls_registry.h"
#include "tests/conformance/conformance_env.h"
#include "tests/support/key_tree.h"
#include "tests/support/text.h"

namespace {

const RegKey kClassesRoot = static_cast<RegKey>(kHkeyClassesRoot);

struct Entry {
    std::string key;
    uint32_t type;
    std::string text;
};

class AssociationConformance : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = MakeConformanceEnv();
        const std::string test = CaseName();
        className_ = "TalvorinConformance." + test;
        extension_ = "tdm" + std::to_string(std::hash<std::string>{}(test) % 100000);
        Cleanup();
    }
    void TearDown() override { Cleanup(); }
    void Cleanup() {
        for (const std::string& key : {className_, "." + extension_, ".." + extension_})
            DeleteKeyTree(Api(), kClassesRoot, key);
    }

    RegistryApi& Api() { return env_->Api(); }

    // The unnamed value of a key, with its stored type; an empty key name when absent.
    Entry Read(const std::string& key) {
        Entry entry{key, 0, ""};
        OpenedKey handle = OwnKey(Api(), 0);
        if (Api().RegOpenKeyExA(kClassesRoot, key, 0, kKeyQueryValue, handle.Put()) != kErrorSuccess) {
            entry.key.clear();
            return entry;
        }
        uint32_t size = 0;
        if (Api().RegQueryValueExA(handle.Get(), "", &entry.type, nullptr, &size) == kErrorSuccess && size > 0) {
            std::string data(size, '\0');
            Api().RegQueryValueExA(handle.Get(), "", &entry.type, reinterpret_cast<uint8_t*>(&data[0]), &size);
            entry.text = data.substr(0, data.find('\0'));
        }
        return entry;
    }
    bool Exists(const std::string& key) {
        OpenedKey handle = OwnKey(Api(), 0);
        return Api().RegOpenKeyExA(kClassesRoot, key, 0, kKeyQueryValue, handle.Put()) == kErrorSuccess;
    }
    void ExpectEntries(const std::vector<Entry>& expected) {
        for (const Entry& e : expected) {
            const Entry got = Read(e.key);
            EXPECT_EQ(e.key, got.key) << "missing key " << e.key;
            EXPECT_EQ(e.type, got.type) << e.key;
            EXPECT_EQ(e.text, got.text) << e.key;
        }
    }
    std::unique_ptr<ConformanceEnv> env_;
    std::string className_;
    std::string extension_;
};

TEST_F(AssociationConformance, TheFourRequiredArgumentsWriteTheFourBasicEntries) {
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"  C:\\Program Files\\Talvorin\\viewer.exe ", Widen(className_), L"Talvorin document",
                             Widen(extension_));
    const std::string exe = "\"C:\\Program Files\\Talvorin\\viewer.exe\"";
    ExpectEntries({
        {"." + extension_, kRegSz, className_},
        {className_, kRegSz, "Talvorin document"},
        {className_ + "\\shell\\open", kRegSz, "&Open"},
        {className_ + "\\shell\\open\\command", kRegSz, exe + " \"%1\""},
    });
    for (const char* absent : {"\\shell\\print", "\\shell\\add", "\\shell\\new", "\\DefaultIcon"})
        EXPECT_FALSE(Exists(className_ + absent)) << absent;
    EXPECT_EQ(kHkeyClassesRoot, reg.ClassKey());
    EXPECT_EQ(Widen(className_ + "\\shell\\open\\command"), reg.SectionKey());
    EXPECT_EQ(kRegSz, reg.ValueType());
}

TEST_F(AssociationConformance, EveryOptionalEntryWithItsDefaults) {
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"\"C:\\Tools\\edit.exe\"", Widen(className_), L"Doc", Widen(extension_), L"", true, L"",
                             true, L"", true, L"", 0);
    const std::string exe = "\"C:\\Tools\\edit.exe\"";
    ExpectEntries({
        {className_ + "\\shell\\open", kRegSz, "&Open"},
        {className_ + "\\shell\\print", kRegSz, "&Print"},
        {className_ + "\\shell\\print\\command", kRegSz, exe + " /p \"%1\""},
        {className_ + "\\shell\\add", kRegSz, "&Install " + extension_},
        {className_ + "\\shell\\add\\command", kRegSz, exe + " /a \"%1\""},
        {className_ + "\\shell\\new", kRegSz, "&New"},
        {className_ + "\\shell\\new\\command", kRegSz, exe + " /n \"%1\""},
        {className_ + "\\DefaultIcon", kRegSz, exe + ",0"},
    });
    EXPECT_EQ(Widen(className_ + "\\DefaultIcon"), reg.SectionKey());
}

TEST_F(AssociationConformance, APathWithPercentSignsMakesTheIconExpandableToo) {
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"%SystemRoot%\\notepad.exe", Widen(className_), L"Doc", Widen(extension_), L"Open it",
                             false, L"", false, L"", false, L"", 3);
    ExpectEntries({
        {className_ + "\\shell\\open", kRegSz, "Open it"},
        {className_ + "\\shell\\open\\command", kRegExpandSz, "\"%SystemRoot%\\notepad.exe\" \"%1\""},
        {className_ + "\\DefaultIcon", kRegExpandSz, "\"%SystemRoot%\\notepad.exe\",3"},
    });
}

TEST_F(AssociationConformance, AnExtensionWithItsDotGetsASecondOne) {
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"a.exe", Widen(className_), L"Doc", Widen("." + extension_));
    ExpectEntries({{".." + extension_, kRegSz, className_}});
}

TEST_F(AssociationConformance, AdditionalCommandsGoBelowTheClassInOrder) {
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"a.exe", Widen(className_), L"Doc", Widen(extension_));
    reg.CreateAdditionalEXEAssociations(
        Widen(className_), {Variant(L"edit"), Variant(L"&Edit"), Variant(L"\"a.exe\" /e \"%1\""), Variant(L"count"),
                            Variant(int32_t{7}), Variant(int32_t{42})});
    ExpectEntries({
        {className_ + "\\shell\\edit", kRegSz, "&Edit"},
        {className_ + "\\shell\\edit\\command", kRegSz, "\"a.exe\" /e \"%1\""},
        {className_ + "\\shell\\count", kRegSz, "7"},
        {className_ + "\\shell\\count\\command", kRegSz, "42"},
    });
    EXPECT_EQ(Widen(className_ + "\\shell\\count\\command"), reg.SectionKey());
}

TEST_F(AssociationConformance, AdditionalCommandsCheckTheirArgumentsBeforeWriting) {
    CLS_Registry fresh(Api());
    const std::vector<Variant> three = {Variant(L"edit"), Variant(L"&Edit"), Variant(L"cmd")};
    // A new object has no root key yet, so the class can never be found.
    try {
        fresh.CreateAdditionalEXEAssociations(Widen(className_), three);
        ADD_FAILURE() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_EQ(-2147194451, e.Number());
        EXPECT_EQ(L"Error - attempt to create additional associations before class defined.", e.Description());
    }
    CLS_Registry reg(Api());
    reg.CreateEXEAssociation(L"a.exe", Widen(className_), L"Doc", Widen(extension_));
    for (size_t count : {1u, 2u, 4u, 5u}) {
        std::vector<Variant> items(count, Variant(L"x"));
        try {
            reg.CreateAdditionalEXEAssociations(Widen(className_), items);
            ADD_FAILURE() << "no error for " << count << " items";
        } catch (const AppError& e) {
            EXPECT_EQ(-2147194452, e.Number());
            EXPECT_EQ(L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command",
                      e.Description());
        }
    }
    EXPECT_FALSE(Exists(className_ + "\\shell\\x"));
    EXPECT_NO_THROW(reg.CreateAdditionalEXEAssociations(Widen(className_), {}));
}

}  // namespace
