// Behaviours of the in-memory registry that the conformance cases cannot show: its
// bookkeeping of handles and its injected failures.
#include <gtest/gtest.h>

#include "stand_in/memory_registry.h"

namespace {

using Op = MemoryRegistry::Op;
const RegKey kHklm = static_cast<RegKey>(kHkeyLocalMachine);

TEST(MemoryRegistry, CountsOpenHandlesAndRejectsUnknownOnes) {
    MemoryRegistry mem;
    mem.AddKey(kHkeyLocalMachine, "A");
    RegKey key = 0;
    ASSERT_EQ(0, mem.RegOpenKeyExA(kHklm, "A", 0, kKeyQueryValue, &key));
    EXPECT_EQ(1u, mem.OpenHandleCount());
    EXPECT_EQ(0, mem.RegCloseKey(key));
    EXPECT_EQ(kErrorInvalidHandle, mem.RegCloseKey(key));
    EXPECT_EQ(kErrorInvalidHandle, mem.RegOpenKeyExA(0, "A", 0, kKeyQueryValue, &key));
    EXPECT_EQ(0u, mem.OpenHandleCount());
}

TEST(MemoryRegistry, AHandleToADeletedKeyStaysValidButFindsNothing) {
    MemoryRegistry mem;
    mem.AddKey(kHkeyLocalMachine, "A");
    RegKey key = 0;
    ASSERT_EQ(0, mem.RegOpenKeyExA(kHklm, "A", 0, kKeyQueryValue, &key));
    ASSERT_EQ(0, mem.RegDeleteKeyA(kHklm, "A"));
    char name[8];
    EXPECT_NE(0, mem.RegEnumKeyA(key, 0, name, sizeof name));
    EXPECT_EQ(0, mem.RegCloseKey(key));
}

TEST(MemoryRegistry, RefusalsMatchTheirKeyOperationAndAccess) {
    MemoryRegistry mem;
    mem.AddKey(kHkeyLocalMachine, "Class\\0000");
    mem.Refuse(Op::Open, kHkeyLocalMachine, "class\\0000\\", kErrorAccessDenied, kKeySetValue);
    {
        OpenedKey key = OwnKey(mem, 0);
        EXPECT_EQ(kErrorAccessDenied, mem.RegOpenKeyExA(kHklm, "Class\\0000", 0, kKeyAllSpecificRights, key.Put()));
        ASSERT_EQ(0, mem.RegOpenKeyExA(kHklm, "Class\\0000", 0, kKeyQueryValue, key.Put()));
    }
    mem.Refuse(Op::DeleteKey, kHkeyLocalMachine, "Class\\0000");
    EXPECT_EQ(kErrorAccessDenied, mem.RegDeleteKeyA(kHklm, "Class\\0000"));
    EXPECT_TRUE(mem.HasKey(kHkeyLocalMachine, "Class\\0000"));
    mem.ClearFailures();
    EXPECT_EQ(0, mem.RegDeleteKeyA(kHklm, "Class\\0000"));
    ASSERT_EQ(2u, mem.DeleteLog().size());
    EXPECT_EQ(kErrorAccessDenied, mem.DeleteLog()[0].result);
    EXPECT_EQ("Class\\0000", mem.DeleteLog()[1].path);
    EXPECT_EQ(0, mem.DeleteLog()[1].result);
}

TEST(MemoryRegistry, TheNthCallFailsOnceWhereverItGoes) {
    MemoryRegistry mem;
    mem.AddKey(kHkeyLocalMachine, "A");
    mem.AddKey(kHkeyLocalMachine, "B");
    mem.FailCall(Op::Open, 2, kErrorAccessDenied);
    OpenedKey key = OwnKey(mem, 0);
    EXPECT_EQ(0, mem.RegOpenKeyExA(kHklm, "A", 0, 1, key.Put()));
    EXPECT_EQ(kErrorAccessDenied, mem.RegOpenKeyExA(kHklm, "B", 0, 1, key.Put()));
    EXPECT_EQ(0, mem.RegOpenKeyExA(kHklm, "B", 0, 1, key.Put()));
}

TEST(MemoryRegistry, CodePagesRoundTrip) {
    MemoryRegistry mem;
    const std::wstring latin = L"Caf\x00E9 \x00FF";
    EXPECT_EQ(latin, mem.FromAnsi(mem.ToAnsi(latin)));
    EXPECT_EQ("?", mem.ToAnsi(L"\x4E2D"));
    mem.SetCodePage(MemoryRegistry::CodePage::DoubleByte);
    const std::wstring mixed = L"a\x4E2D\x00E9z";
    EXPECT_EQ(6u, mem.ToAnsi(mixed).size());
    EXPECT_EQ(mixed, mem.FromAnsi(mem.ToAnsi(mixed)));
}

TEST(MemoryRegistry, ExpandEnvironmentStringsAAnswersAsDocumented) {
    // The answer is the size with the terminator, to a size query and to a buffer too
    // small alike; the single-byte function wants one byte more than that, so a buffer
    // of exactly that size stays untouched.
    MemoryRegistry mem;
    mem.SetEnvironment("TDM_DIR", "ab");
    char buffer[8] = "-------";
    EXPECT_EQ(5u, mem.ExpandEnvironmentStringsA("%TDM_DIR%\\y", buffer, 0));
    EXPECT_EQ(5u, mem.ExpandEnvironmentStringsA("%TDM_DIR%\\y", buffer, 5));
    EXPECT_STREQ("-------", buffer);
    EXPECT_EQ(5u, mem.ExpandEnvironmentStringsA("%TDM_DIR%\\y", buffer, 6));
    EXPECT_STREQ("ab\\y", buffer);
}

}  // namespace
