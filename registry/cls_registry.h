// The registry object: selectors (root key, key path, value name, value type and a
// default) and operations on them. Each operation opens the key it needs and closes
// it before it returns or raises; no key handle lives between calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "base/based_array.h"
#include "base/variant.h"
#include "registry/registry_api.h"

using NameArray = BasedArray<std::wstring>;

// Error numbers the object raises.
constexpr int32_t kErrRegistryOperation = 26001;
constexpr int32_t kErrSetValue = static_cast<int32_t>(0x800469A9u);
constexpr int32_t kErrEnumerateSections = static_cast<int32_t>(0x800469AAu);
constexpr int32_t kErrAssociationItems = static_cast<int32_t>(0x800469ACu);
constexpr int32_t kErrAssociationClass = static_cast<int32_t>(0x800469ADu);

class CLS_Registry {
public:
    explicit CLS_Registry(RegistryApi& api) : api_(api) {}

    // Reading.
    bool KeyExists() const;
    // Whether the selected key opens with the right to delete it, which a key whose own
    // access rights forbid its deletion refuses. Deletes nothing and holds no handle.
    bool KeyDeletable() const;
    Variant Value();
    // The selected value read through a key the caller holds open, in place of the key
    // the selectors name: the same key as the one checked, however its path changes.
    Variant ValueIn(RegKey key);
    // Changing: each returns true or raises an AppError.
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();
    void Value(const Variant& vValue);
    bool EnumerateValues(NameArray& sKeyNames, int32_t& iKeyCount) const;
    bool EnumerateSections(NameArray& sSect, int32_t& iSectCount) const;

    // File types: registers sExePath as the handler of files ending in sAssociation.
    // The texts are taken by value: every write changes the selectors, and a text read
    // from them must not change half-way.
    void CreateEXEAssociation(std::wstring sExePath, std::wstring sClassName, std::wstring sClassDescription,
                              std::wstring sAssociation, std::wstring sOpenMenuText = L"&Open",
                              bool bSupportPrint = false, std::wstring sPrintMenuText = L"&Print",
                              bool bSupportNew = false, std::wstring sNewMenuText = L"&New",
                              bool bSupportInstall = false, std::wstring sInstallMenuText = L"",
                              int32_t lDefaultIconIndex = -1);
    // Adds shell commands to a registered class: vItems holds groups of three
    // (key name, menu text, command line), in order.
    void CreateAdditionalEXEAssociations(std::wstring sClassName, const std::vector<Variant>& vItems);

    // Selectors.
    int32_t ValueType() const { return valueType_; }
    void ValueType(int32_t eValueType) { valueType_ = eValueType; }
    int32_t ClassKey() const { return classKey_; }
    void ClassKey(int32_t eKey) { classKey_ = eKey; }
    const std::wstring& SectionKey() const { return sectionKey_; }
    void SectionKey(const std::wstring& sSectionKey) {
        sectionKey_ = sSectionKey;
        ansiSection_.Forget();
    }
    const std::wstring& ValueKey() const { return valueKey_; }
    void ValueKey(const std::wstring& sValueKey) {
        valueKey_ = sValueKey;
        ansiValueName_.Forget();
    }
    const Variant& Default() const { return default_; }
    void Default(const Variant& vDefault) { default_ = vDefault; }

    static int32_t ReverseDwordBytes(int32_t value);
    std::wstring ExpandEnvironmentText(const std::wstring& text) const;

private:
    RegKey Root() const { return static_cast<RegKey>(classKey_); }
    // The key path and value name as the single-byte functions take them, converted
    // once per setting rather than once per call: a scan reads many values of one key.
    class AnsiCache {
    public:
        const std::string& Of(RegistryApi& api, const std::wstring& text) const {
            if (!valid_) {
                ansi_ = api.ToAnsi(text);
                valid_ = true;
            }
            return ansi_;
        }
        void Forget() { valid_ = false; }

    private:
        mutable std::string ansi_;
        mutable bool valid_ = false;
    };
    const std::string& AnsiSection() const { return ansiSection_.Of(api_, sectionKey_); }
    const std::string& AnsiValueName() const { return ansiValueName_.Of(api_, valueKey_); }
    std::wstring ErrorSource() const;
    // Opens the selected key (ClassKey plus SectionKey) with the access asked for, or
    // creates it with every missing key on its path, and hands back its owner: empty
    // when the platform refuses, so that the caller only tests it.
    enum class KeyOpening { Open, Create };
    OpenedKey OpenSection(uint32_t access, KeyOpening how = KeyOpening::Open) const;
    // The value as the probe described it, or nothing when the read finds it changed.
    std::optional<Variant> ReadStoredValue(RegKey key, uint32_t type, uint32_t size) const;
    int32_t WriteValue(RegKey key, const Variant& value) const;
    std::wstring RootText() const { return std::to_wstring(classKey_); }
    std::wstring SetValueDescription(const Variant& value) const;
    std::wstring DeleteDescription() const;
    // Writes the unnamed value of sSection as text.
    void WriteDefaultText(const std::wstring& sSection, const Variant& value);

    RegistryApi& api_;
    int32_t classKey_ = 0;
    std::wstring sectionKey_;
    std::wstring valueKey_;
    AnsiCache ansiSection_;
    AnsiCache ansiValueName_;
    Variant default_;
    int32_t valueType_ = 0;
};
