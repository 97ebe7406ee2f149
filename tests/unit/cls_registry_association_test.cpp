// File-type registration against the in-memory registry: path quoting, defaults,
// and what a failing write leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "registry/cls_registry.h"
#include "stand_in/memory_registry.h"

namespace {

using Op = MemoryRegistry::Op;

class Association : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(0u, mem_.OpenHandleCount()); }

    // The unnamed value of a key below the classes root as text, or "<none>".
    std::string Text(const std::string& key) {
        auto v = mem_.GetValue(kHkeyClassesRoot, key, "");
        if (!v) return "<none>";
        return std::string(v->data.begin(), v->data.end() - 1);
    }

    MemoryRegistry mem_;
};

TEST_F(Association, ThePathIsQuotedOnceAtEachEnd) {
    struct Case {
        const wchar_t* path;
        const char* command;
    };
    const Case cases[] = {
        {L"C:\\App\\a.exe", "\"C:\\App\\a.exe\" \"%1\""},
        {L"  C:\\My App\\a.exe  ", "\"C:\\My App\\a.exe\" \"%1\""},
        {L"\"C:\\My App\\a.exe\"", "\"C:\\My App\\a.exe\" \"%1\""},
        {L"\"C:\\half.exe", "\"C:\\half.exe\" \"%1\""},
        {L"C:\\half.exe\"", "\"C:\\half.exe\" \"%1\""},
        {L"", "\" \"%1\""},
        {L"   ", "\" \"%1\""},
        {L"\tC:\\tab.exe", "\"\tC:\\tab.exe\" \"%1\""},
    };
    for (const Case& c : cases) {
        CLS_Registry reg(mem_);
        reg.CreateEXEAssociation(c.path, L"Cls", L"Doc", L"ext");
        EXPECT_EQ(c.command, Text("Cls\\shell\\open\\command"));
    }
}

TEST_F(Association, IconIndexesBelowZeroWriteNoIcon) {
    struct Case {
        int32_t index;
        const char* icon;
    };
    for (const Case& c : {Case{-1, "<none>"}, Case{-7, "<none>"}, Case{0, "\"a.exe\",0"}, Case{12, "\"a.exe\",12"}}) {
        mem_ = MemoryRegistry();
        CLS_Registry reg(mem_);
        reg.CreateEXEAssociation(L"a.exe", L"Cls", L"Doc", L"ext", L"&Open", false, L"", false, L"", false, L"",
                                 c.index);
        EXPECT_EQ(c.icon, Text("Cls\\DefaultIcon")) << c.index;
    }
}

TEST_F(Association, MenuTextsTakeTheirDefaultsWhenEmpty) {
    CLS_Registry reg(mem_);
    reg.CreateEXEAssociation(L"a.exe", L"Cls\\", L"Doc", L"txt", L"", true, L"Print it", true, L"Make one", true);
    EXPECT_EQ("&Open", Text("Cls\\\\shell\\open"));  // a trailing backslash doubles up
    EXPECT_EQ("Print it", Text("Cls\\\\shell\\print"));
    EXPECT_EQ("Make one", Text("Cls\\\\shell\\new"));
    EXPECT_EQ("&Install txt", Text("Cls\\\\shell\\add"));
    EXPECT_EQ("\"a.exe\" /a \"%1\"", Text("Cls\\\\shell\\add\\command"));
}

TEST_F(Association, TheFirstFailingWriteEndsTheRegistrationAndKeepsWhatCameBefore) {
    struct Case {
        Op op;
        const char* refused;
        int32_t number;
        std::vector<std::pair<std::string, std::string>> kept;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {Op::Create,
         "Cls\\shell\\open",
         26001,
         {{".ext", "Cls"}, {"Cls", "Doc"}},
         {"Cls\\shell\\open\\command", "Cls\\shell\\print"}},
        {Op::SetValue, "Cls", -2147194455, {{".ext", "Cls"}}, {"Cls\\shell"}},
        // Print is written before install, new after it; a command only after its menu text.
        {Op::SetValue,
         "Cls\\shell\\add",
         -2147194455,
         {{"Cls\\shell\\print\\command", "\"a.exe\" /p \"%1\""}},
         {"Cls\\shell\\add\\command", "Cls\\shell\\new"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        mem_ = MemoryRegistry();
        mem_.Refuse(c.op, kHkeyClassesRoot, c.refused);
        CLS_Registry reg(mem_);
        try {
            reg.CreateEXEAssociation(L"a.exe", L"Cls", L"Doc", L"ext", L"", true, L"", true, L"", true);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& e) {
            EXPECT_EQ(c.number, e.Number());
        }
        for (const auto& [key, text] : c.kept) EXPECT_EQ(text, Text(key)) << key;
        for (const std::string& key : c.absent) EXPECT_FALSE(mem_.HasKey(kHkeyClassesRoot, key)) << key;
    }
}

TEST_F(Association, AFailingAdditionalCommandIsDroppedAndTheRestWritten) {
    CLS_Registry reg(mem_);
    reg.CreateEXEAssociation(L"a.exe", L"Cls", L"Doc", L"ext");
    mem_.Refuse(Op::SetValue, kHkeyClassesRoot, "Cls\\shell\\edit");
    // Not only the registry object's own errors: memory running out is dropped too.
    mem_.ThrowOn(Op::Create, kHkeyClassesRoot, "Cls\\shell\\view\\command");
    EXPECT_NO_THROW(reg.CreateAdditionalEXEAssociations(
        L"Cls", {Variant(L"edit"), Variant(L"&Edit"), Variant(L"edit-cmd"), Variant(L"view"), Variant(L"&View"),
                 Variant(L"view-cmd"), Variant(L"play"), Variant(L"&Play"), Variant(L"play-cmd")}));
    EXPECT_FALSE(mem_.GetValue(kHkeyClassesRoot, "Cls\\shell\\edit", ""));
    EXPECT_EQ("edit-cmd", Text("Cls\\shell\\edit\\command"));
    EXPECT_EQ("&View", Text("Cls\\shell\\view"));
    EXPECT_FALSE(mem_.HasKey(kHkeyClassesRoot, "Cls\\shell\\view\\command"));
    EXPECT_EQ("&Play", Text("Cls\\shell\\play"));
    EXPECT_EQ("play-cmd", Text("Cls\\shell\\play\\command"));
}

// Every write changes the selectors; an argument read from them must keep the text
// it had when the call began.
TEST_F(Association, ArgumentsReadFromTheObjectsOwnSelectorsKeepTheirText) {
    CLS_Registry reg(mem_);
    reg.SectionKey(L"txtfile");
    reg.CreateEXEAssociation(L"a.exe", reg.SectionKey(), L"Doc", L"txt", L"", false, L"", false, L"", false, L"", 0);
    EXPECT_EQ("txtfile", Text(".txt"));
    EXPECT_EQ("Doc", Text("txtfile"));
    EXPECT_EQ("\"a.exe\" \"%1\"", Text("txtfile\\shell\\open\\command"));
    EXPECT_EQ("\"a.exe\",0", Text("txtfile\\DefaultIcon"));

    reg.ValueKey(L"Text document");
    reg.SectionKey(L"txt");
    reg.CreateEXEAssociation(L"a.exe", L"Cls", reg.ValueKey(), reg.SectionKey(), L"", false, L"", false, L"", true);
    EXPECT_EQ("Cls", Text(".txt"));
    EXPECT_EQ("Text document", Text("Cls"));
    EXPECT_EQ("&Install txt", Text("Cls\\shell\\add"));

    reg.SectionKey(L"Cls");
    reg.CreateAdditionalEXEAssociations(reg.SectionKey(), {Variant(L"edit"), Variant(L"&Edit"), Variant(L"edit-cmd"),
                                                           Variant(L"view"), Variant(L"&View"), Variant(L"view-cmd")});
    EXPECT_EQ("edit-cmd", Text("Cls\\shell\\edit\\command"));
    EXPECT_EQ("&View", Text("Cls\\shell\\view"));
    EXPECT_EQ("view-cmd", Text("Cls\\shell\\view\\command"));
}

TEST_F(Association, ARejectedItemListLeavesTheSelectorsAsTheyWere) {
    CLS_Registry reg(mem_);
    reg.SectionKey(L"Before");
    EXPECT_THROW(reg.CreateAdditionalEXEAssociations(L"Cls", {Variant(L"one")}), AppError);
    EXPECT_EQ(L"Before", reg.SectionKey());
    EXPECT_THROW(reg.CreateAdditionalEXEAssociations(L"Cls", {}), AppError);
    EXPECT_EQ(L"Cls", reg.SectionKey());
}

}  // namespace
