// Opening a key for deletion, the check the removal makes on every key before it deletes
// the first: a key opens with the DELETE right unless its own rights forbid it, and the
// check itself deletes nothing. Under Wine the forbidding rights are a real access
// control list on the key; on the host the stand-in is told to refuse.
#include <gtest/gtest.h>

#include <string>

#include "registry/cls_registry.h"
#include "tests/conformance/conformance_env.h"
#include "tests/support/text.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#else
#include "stand_in/memory_registry.h"
#endif

namespace {

// DELETE, as the platform's documentation gives it (winnt.h).
constexpr uint32_t kDeleteRight = 0x00010000;

class DeleteAccessConformance : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = MakeConformanceEnv();
        key_ = "Software\\TalvorinDeleteAccess\\" + CaseName();
        OpenedKey key = NoKey();
        ASSERT_EQ(kErrorSuccess, Api().RegCreateKeyExA(Root(), key_, 0, 0, kKeyAllSpecificRights, key.Put(), nullptr));
    }
    void TearDown() override {
        AllowDelete();
        Api().RegDeleteKeyA(Root(), key_);
        Api().RegDeleteKeyA(Root(), "Software\\TalvorinDeleteAccess");
    }

    RegistryApi& Api() { return env_->Api(); }
    static RegKey Root() { return static_cast<RegKey>(kHkeyCurrentUser); }
    OpenedKey NoKey() { return OwnKey(Api(), 0); }

    // The result of opening the path with the given rights; the key, if any, is closed again.
    int32_t OpenWith(const std::string& path, uint32_t access) {
        OpenedKey key = NoKey();
        return Api().RegOpenKeyExA(Root(), path, 0, access, key.Put());
    }
    int32_t OpenForDelete(const std::string& path) { return OpenWith(path, kDeleteRight); }
    bool Deletable(const std::string& path) {
        CLS_Registry reg(Api());
        reg.ClassKey(kHkeyCurrentUser);
        reg.SectionKey(Widen(path));
        return reg.KeyDeletable();
    }

    // Gives the key rights that deny everyone its deletion and allow everything else.
    void DenyDelete() {
#ifdef _WIN32
        SetAccess(true);
#else
        static_cast<MemoryRegistry&>(Api()).Refuse(MemoryRegistry::Op::Open, kHkeyCurrentUser, key_, kErrorAccessDenied,
                                                   kDeleteRight);
#endif
    }
    void AllowDelete() {
#ifdef _WIN32
        SetAccess(false);
#else
        static_cast<MemoryRegistry&>(Api()).ClearFailures();
#endif
    }

#ifdef _WIN32
    void SetAccess(bool denyDelete) {
        OpenedKey key = NoKey();
        if (Api().RegOpenKeyExA(Root(), key_, 0, WRITE_DAC, key.Put()) != kErrorSuccess) return;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        EXPLICIT_ACCESSA entries[2] = {};
        entries[0].grfAccessPermissions = DELETE;
        entries[0].grfAccessMode = DENY_ACCESS;
        entries[1].grfAccessPermissions = KEY_ALL_ACCESS;
        entries[1].grfAccessMode = SET_ACCESS;
        for (EXPLICIT_ACCESSA& entry : entries) {
            entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
            entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
            entry.Trustee.ptstrName = static_cast<LPSTR>(everyone);
        }
        PACL acl = nullptr;
        const ULONG count = denyDelete ? 2 : 1;
        EXPECT_EQ(ERROR_SUCCESS, SetEntriesInAclA(count, denyDelete ? entries : entries + 1, nullptr, &acl));
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetKeySecurity(reinterpret_cast<HKEY>(key.Get()), DACL_SECURITY_INFORMATION, &descriptor));
        LocalFree(acl);
        FreeSid(everyone);
    }
#endif

    std::unique_ptr<ConformanceEnv> env_;
    std::string key_;
};

TEST_F(DeleteAccessConformance, AKeyOpensForDeletionAndTheCheckDeletesNothing) {
    EXPECT_EQ(kErrorSuccess, OpenForDelete(key_));
    EXPECT_TRUE(Deletable(key_));
    EXPECT_EQ(kErrorSuccess, OpenWith(key_, kKeyQueryValue));
    EXPECT_EQ(kErrorFileNotFound, OpenForDelete(key_ + "\\Missing"));
    EXPECT_FALSE(Deletable(key_ + "\\Missing"));
}

TEST_F(DeleteAccessConformance, AKeyWhoseRightsForbidItsDeletionRefusesOnlyThatRight) {
#ifdef _WIN32
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr)
        GTEST_SKIP() << "Wine does not check the access rights of registry keys";
#endif
    DenyDelete();
    EXPECT_EQ(kErrorAccessDenied, OpenForDelete(key_));
    EXPECT_FALSE(Deletable(key_));
    // Reading it is still allowed, so the list shows the entry as before.
    EXPECT_EQ(kErrorSuccess, OpenWith(key_, kKeyQueryValue | kKeyEnumerateSubKeys));
    // The platform opens the key for deletion to delete it, so the deletion fails too.
    EXPECT_EQ(kErrorAccessDenied, Api().RegDeleteKeyA(Root(), key_));
    AllowDelete();
    EXPECT_EQ(kErrorSuccess, OpenForDelete(key_));
}

}  // namespace
