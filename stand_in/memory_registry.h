// An in-memory registry behind the same seam as the platform's, for tests,
// benchmarks and the fuzzer. It behaves as the platform does where the program
// relies on it (checked by the conformance suite under Wine) and can be told to
// refuse chosen operations on chosen keys. Names are kept in UTF-16, as the platform
// keeps them; the A functions spell them through the code page. Links are followed
// on open, except the last key of a path opened with REG_OPTION_OPEN_LINK.
// One class in six files: the tree of keys, paths and links (memory_registry.cpp), the
// functions on keys (memory_registry_keys.cpp) and on values (memory_registry_values.cpp),
// handles and injected failures (memory_registry_access.cpp), the code page
// (memory_registry_code_page.cpp) and the environment (memory_registry_environment.cpp).
// A key as stored, shared by them, is in memory_registry_internal.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry/registry_api.h"

class MemoryRegistry : public RegistryApi {
public:
    struct StoredValue {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        friend bool operator==(const StoredValue& a, const StoredValue& b) {
            return a.type == b.type && a.data == b.data;
        }
    };

    enum class Op { Open, Create, QueryValue, SetValue, DeleteKey, DeleteValue, EnumKey, EnumValue, QueryInfo, Expand };

    // How wide texts become single bytes. Latin1 maps U+0000..U+00FF one to one and
    // everything else to '?'. DoubleByte stands for a multibyte code page: ASCII stays
    // one byte, every other character takes two (a lead byte 0x81..0xFE, a trail byte).
    enum class CodePage { Latin1, DoubleByte };

    MemoryRegistry();
    ~MemoryRegistry() override;

    // The platform's functions.
    int32_t RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t options, uint32_t access,
                          RegKey* result) override;
    int32_t RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t options, uint32_t access,
                            RegKey* result, uint32_t* disposition) override;
    int32_t RegCloseKey(RegKey key) override;
    int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                             uint32_t* size) override;
    int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                           uint32_t size) override;
    int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override;
    int32_t RegDeleteValueA(RegKey key, const std::string& valueName) override;
    int32_t RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) override;
    int32_t RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) override;
    int32_t RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) override;
    int32_t RegOpenKeyExW(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                          RegKey* result) override;
    int32_t RegEnumKeyExW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) override;
    int32_t NtDeleteKey(RegKey key) override;
    uint32_t ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
    std::wstring ExecutableBaseName() override;

    // Seeding and inspection, outside the platform's functions: no refusals apply.
    // Paths are relative to a root key and may have a trailing backslash; single-byte
    // paths and names are read through the code page in force.
    void AddKey(int32_t root, const std::string& path);
    void AddKey(int32_t root, const std::wstring& path);
    // A link key at path naming target, a "\Registry\Machine\..." path, as
    // RegCreateKeyEx with REG_OPTION_CREATE_LINK and its REG_LINK value make one.
    void AddLink(int32_t root, const std::wstring& path, const std::wstring& target);
    void SetValue(int32_t root, const std::string& path, const std::string& name, uint32_t type,
                  std::vector<uint8_t> data);
    void SetString(int32_t root, const std::string& path, const std::string& name, const std::string& text,
                   uint32_t type = 1);  // stored with its terminating NUL
    void SetDword(int32_t root, const std::string& path, const std::string& name, uint32_t value);
    // Removes the key with every key below it, as another program would; open handles
    // to them then find their keys deleted.
    void RemoveTree(int32_t root, const std::string& path);
    bool HasKey(int32_t root, const std::string& path) const;
    bool HasKey(int32_t root, const std::wstring& path) const;
    std::optional<StoredValue> GetValue(int32_t root, const std::string& path, const std::string& name) const;
    std::vector<std::string> SubkeyNames(int32_t root, const std::string& path) const;
    // The values of a key as name and stored value, in enumeration order.
    std::vector<std::pair<std::string, StoredValue>> Values(int32_t root, const std::string& path) const;
    // Every key below root, as paths, in enumeration order, depth first; a link's
    // target is not entered.
    std::vector<std::string> AllKeys(int32_t root) const;
    // The same with the names as the registry holds them, and each key's values.
    std::vector<std::wstring> AllKeysWide(int32_t root) const;
    std::vector<std::pair<std::string, StoredValue>> Values(int32_t root, const std::wstring& path) const;

    // Failure injection. A rule matches an operation on the key at path (below root,
    // case-insensitive; for DeleteKey the key being deleted). For Open and Create a
    // rule with an access mask matches only requests that ask for one of its rights. A
    // key refused the DELETE right (kKeyDelete) refuses RegDeleteKeyA too.
    void Refuse(Op op, int32_t root, const std::string& path, int32_t code = 5, uint32_t access = 0);
    // The matching operation throws std::bad_alloc, as if memory ran out inside it.
    void ThrowOn(Op op, int32_t root, const std::string& path);
    // The n-th call (counted from 1) of op from now on fails with code, wherever it goes.
    // A failing Expand answers 0, as the platform does when it cannot expand.
    void FailCall(Op op, int n, int32_t code);
    void ClearFailures();
    // Runs hook after every RegQueryValueExA from now on, once the call has done its
    // work, with the call's number counted from 1: as another program would, it may
    // change a value between a probe and the read that follows. An empty hook ends it.
    void AfterQueryValue(std::function<void(int call)> hook);
    // Runs hook before every ExpandEnvironmentStringsA from now on, with the call's
    // number counted from 1: another thread may change the environment between a size
    // query and the expansion. An empty hook ends it.
    void BeforeExpand(std::function<void(int call)> hook);
    // Runs hook after every RegEnumKeyExW from now on, as AfterQueryValue does: another
    // program may add or delete keys while a key's subkeys are listed.
    void AfterEnumKey(std::function<void(int call)> hook);

    // Every RegDeleteKeyA and NtDeleteKey call as "path" (below its root, spelled
    // through the code page), in call order, with its result.
    struct DeleteCall {
        std::string path;
        int32_t result;
    };
    const std::vector<DeleteCall>& DeleteLog() const { return deleteLog_; }

    size_t OpenHandleCount() const { return handles_.size(); }
    void SetCodePage(CodePage cp) { codePage_ = cp; }
    // ExpandEnvironmentStringsA's answer to a size query and to a buffer too small:
    // the text with its terminator (false, the default), or that and the spare byte the
    // single-byte function wants (true). The documentation allows both.
    void SetExpandCountsSpareByte(bool counts) { expandCountsSpareByte_ = counts; }
    void SetEnvironment(const std::string& name, const std::string& value);
    void SetExecutableBaseName(std::wstring name) { exeName_ = std::move(name); }

    struct Node;

private:
    struct Rule {
        Op op;
        int32_t root;
        std::wstring path;  // normalised
        int32_t code;
        uint32_t access;
        bool throws;
    };
    struct CallFailure {
        Op op;
        int remaining;
        int32_t code;
    };
    struct Handle {
        std::shared_ptr<Node> node;  // kept alive while open, even once deleted
        uint32_t access;
    };
    // How a path is walked: whether missing keys are made, and how its last key is
    // taken when that is a link (its target, or the link itself).
    struct WalkMode {
        bool create = false;
        bool lastAsLink = false;
    };

    // The tree (memory_registry.cpp).
    int32_t Walk(const std::shared_ptr<Node>& from, const std::wstring& relative, WalkMode mode,
                 std::shared_ptr<Node>* out, int depth = 0);
    int32_t FollowLink(const Node& link, std::shared_ptr<Node>* out, int depth);
    std::shared_ptr<Node> Find(int32_t root, const std::wstring& path) const;
    std::shared_ptr<Node> FindOrCreate(int32_t root, const std::wstring& path);
    std::wstring PathOf(const Node& node) const;
    std::wstring WrittenPath(const Node& from, const std::wstring& relative) const;

    // Handles and access (memory_registry_access.cpp).
    // The node of a handle or root key.
    std::shared_ptr<Node> Resolve(RegKey key, int32_t* error) const;
    int32_t Check(Op op, const Node& node, uint32_t access = 0);
    int32_t CheckPath(Op op, int32_t root, const std::wstring& path, uint32_t access);
    // The key a handle names, once the failures injected for op on it are applied.
    int32_t Target(RegKey key, Op op, std::shared_ptr<Node>* node);
    RegKey NewHandle(std::shared_ptr<Node> node, uint32_t access);

    // Keys (memory_registry_keys.cpp) and values (memory_registry_values.cpp).
    int32_t Open(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access, RegKey* result);
    int32_t EnumKeyW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength);
    int32_t DeleteKeyAt(const std::shared_ptr<Node>& from, const std::string& subKey);
    void Unlink(const std::shared_ptr<Node>& node);
    int32_t QueryValue(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data, uint32_t* size);

    // The code page (memory_registry_code_page.cpp).
    // The code page's spelling of a wide text and its reading of single bytes.
    std::string Spell(const std::wstring& text) const;
    std::wstring Read(const std::string& text) const;

    std::map<int32_t, std::shared_ptr<Node>> roots_;
    std::map<RegKey, Handle> handles_;
    RegKey nextHandle_ = 0x1000;
    std::vector<Rule> rules_;
    std::vector<CallFailure> callFailures_;
    std::vector<DeleteCall> deleteLog_;
    std::function<void(int)> afterQueryValue_;
    int queryValueCalls_ = 0;
    std::function<void(int)> afterEnumKey_;
    int enumKeyCalls_ = 0;
    std::function<void(int)> beforeExpand_;
    int expandCalls_ = 0;
    std::map<std::string, std::string> environment_;  // upper-cased names
    CodePage codePage_ = CodePage::Latin1;
    bool expandCountsSpareByte_ = false;
    std::wstring exeName_ = L"TalvorinDeviceManager";
};
