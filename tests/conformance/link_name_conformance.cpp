// What the removal's walk relies on, on both sides: a link is followed on open unless
// its own key is opened as itself (REG_OPTION_OPEN_LINK, 0x8); the wide listing gives
// names the single-byte one can only spell as '?'; a key opened with DELETE is deleted
// through its handle (NtDeleteKey), a link as the link key alone. Under Wine on a
// scratch key below HKEY_LOCAL_MACHINE, as links name "\Registry\Machine\...".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/conformance/conformance_env.h"
#include "tests/support/key_tree.h"
#include "tests/support/text.h"

namespace {

const RegKey kHklm = static_cast<RegKey>(kHkeyLocalMachine);
const std::wstring kGreek = L"\x0391\x0392";  // Alpha Beta: no spelling in code page 1252
const std::wstring kCjk = L"\x4E2D\x6587";

class LinkNameConformance : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = MakeConformanceEnv();
        scratch_ = L"Software\\TalvorinLinks\\" + Widen(CaseName());
        RemoveScratch();
        // Target holds a value and a subkey of its own; Entry holds the link to it, two
        // names outside the code page and a key named as they are spelled there.
        for (const wchar_t* key : {L"\\Target\\Inner", L"\\Entry\\??"}) env_->CreateKeyWide(kHklm, scratch_ + key);
        env_->CreateKeyWide(kHklm, scratch_ + L"\\Entry\\" + kGreek);
        env_->CreateKeyWide(kHklm, scratch_ + L"\\Entry\\" + kCjk);
        OpenedKey link = OwnKey(Api(), 0);
        ASSERT_EQ(kErrorSuccess,
                  Api().RegCreateKeyExA(kHklm, Api().ToAnsi(scratch_ + L"\\Entry\\Link"), 0, kRegOptionCreateLink,
                                        kKeyAllSpecificRights, link.Put(), nullptr));
        const std::wstring target = L"\\Registry\\Machine\\" + scratch_ + L"\\Target";
        ASSERT_EQ(kErrorSuccess, Api().RegSetValueExA(link.Get(), kSymbolicLinkValue, kRegLink,
                                                      reinterpret_cast<const uint8_t*>(Utf16(target).data()),
                                                      static_cast<uint32_t>(target.size() * 2)));
    }
    void TearDown() override { RemoveScratch(); }

    void RemoveScratch() { DeleteKeyTree(Api(), kHklm, scratch_); }
    static std::vector<uint16_t> Utf16(const std::wstring& text) { return {text.begin(), text.end()}; }

    RegistryApi& Api() { return env_->Api(); }
    OpenedKey Open(const std::wstring& path, uint32_t options, uint32_t access = kKeyQueryValue | kKeyDelete) {
        OpenedKey key = OwnKey(Api(), 0);
        EXPECT_EQ(kErrorSuccess, Api().RegOpenKeyExW(kHklm, scratch_ + path, options, access, key.Put())) << Path(path);
        return key;
    }
    std::string Path(const std::wstring& path) { return Api().ToAnsi(path); }
    uint32_t SubkeyCount(const OpenedKey& key) {
        RegKeyInfo info;
        EXPECT_EQ(kErrorSuccess, Api().RegQueryInfoKeyA(key.Get(), &info));
        return info.subKeys;
    }
    std::vector<std::wstring> WideNames(const std::wstring& path) {
        const OpenedKey key = Open(path, 0, kKeyEnumerateSubKeys);
        std::vector<std::wstring> names;
        wchar_t name[kMaxKeyNameLength + 1];
        for (uint32_t i = 0, length = kMaxKeyNameLength + 1;
             Api().RegEnumKeyExW(key.Get(), i, name, &length) == kErrorSuccess; ++i, length = kMaxKeyNameLength + 1)
            names.emplace_back(name, length);
        return names;
    }
    std::vector<std::string> AnsiNames(const std::wstring& path) {
        const OpenedKey key = Open(path, 0, kKeyEnumerateSubKeys);
        std::vector<std::string> names;
        char name[kMaxKeyNameLength + 1];
        for (uint32_t i = 0; Api().RegEnumKeyA(key.Get(), i, name, sizeof name) == kErrorSuccess; ++i)
            names.emplace_back(name);
        return names;
    }

    std::unique_ptr<ConformanceEnv> env_;
    std::wstring scratch_;
};

TEST_F(LinkNameConformance, LinksAreFollowedUnlessOpenedAsThemselves) {
    struct Case {
        const wchar_t* path;
        uint32_t options;
        uint32_t subkeys;  // what the opened key holds
    };
    const Case cases[] = {
        {L"\\Entry\\Link", 0, 1},                          // the target, with its Inner
        {L"\\Entry\\Link", kRegOptionOpenLink, 0},         // the link key itself
        {L"\\Entry\\Link\\Inner", kRegOptionOpenLink, 0},  // a link on the way is followed
        {L"\\Entry", kRegOptionOpenLink, 4},               // a plain key is itself either way
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Path(c.path) + (c.options ? " as a link" : ""));
        EXPECT_EQ(c.subkeys, SubkeyCount(Open(c.path, c.options)));
    }
    // The link key holds its target's name as a REG_LINK value.
    const OpenedKey link = Open(L"\\Entry\\Link", kRegOptionOpenLink);
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(kErrorSuccess, Api().RegQueryValueExA(link.Get(), kSymbolicLinkValue, &type, nullptr, &size));
    EXPECT_EQ(6u, type);
}

TEST_F(LinkNameConformance, WideNamesAreWholeWhereSingleByteOnesAreOnlySpelled) {
    // Sorted by their upper case in Unicode: '?' (0x3F), 'L', Alpha (0x391), U+4E2D.
    EXPECT_EQ((std::vector<std::wstring>{L"??", L"Link", kGreek, kCjk}), WideNames(L"\\Entry"));
    EXPECT_EQ((std::vector<std::string>{"??", "Link", "??", "??"}), AnsiNames(L"\\Entry"));
    // The spelling names the key that is really called so, not the one it was made from.
    OpenedKey spelled = OwnKey(Api(), 0);
    ASSERT_EQ(kErrorSuccess, Api().RegOpenKeyExA(kHklm, Path(scratch_ + L"\\Entry\\??"), 0, kKeyDelete, spelled.Put()));
    EXPECT_EQ(kStatusSuccess, Api().NtDeleteKey(spelled.Get()));
    EXPECT_EQ((std::vector<std::wstring>{L"Link", kGreek, kCjk}), WideNames(L"\\Entry"));
}

TEST_F(LinkNameConformance, AKeyIsDeletedThroughItsHandleALinkAsItself) {
    // Refused: a key that still has subkeys, and a handle opened without DELETE
    // (STATUS_ACCESS_DENIED, 0xC0000022).
    EXPECT_NE(kStatusSuccess, Api().NtDeleteKey(Open(L"\\Entry", 0).Get()));
    EXPECT_EQ(static_cast<int32_t>(0xC0000022u), Api().NtDeleteKey(Open(L"\\Entry\\??", 0, kKeyQueryValue).Get()));
    for (const std::wstring& name : {std::wstring(L"Link"), kGreek, kCjk, std::wstring(L"??")})
        EXPECT_EQ(kStatusSuccess, Api().NtDeleteKey(Open(L"\\Entry\\" + name, kRegOptionOpenLink).Get())) << Path(name);
    // Deleted through another handle first, the key is gone for the one still open:
    // Windows answers STATUS_KEY_DELETED (0xC000017C), Wine 8 STATUS_SUCCESS; never a
    // refusal.
    const OpenedKey held = Open(L"\\Entry", kRegOptionOpenLink);
    EXPECT_EQ(kStatusSuccess, Api().NtDeleteKey(Open(L"\\Entry", kRegOptionOpenLink).Get()));
    const int32_t again = Api().NtDeleteKey(held.Get());
    EXPECT_TRUE(again == static_cast<int32_t>(0xC000017Cu) || again == kStatusSuccess) << std::hex << again;
    // The link's target keeps its subkey.
    EXPECT_EQ(1u, SubkeyCount(Open(L"\\Target", 0)));
    OpenedKey gone = OwnKey(Api(), 0);
    EXPECT_EQ(kErrorFileNotFound, Api().RegOpenKeyExW(kHklm, scratch_ + L"\\Entry", 0, kKeyQueryValue, gone.Put()));
}

}  // namespace
