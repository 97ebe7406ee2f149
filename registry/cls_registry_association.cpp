// The registry object's file-type helpers: a program registered as the handler of
// the files that end in an extension, and further shell commands on its class.
// Built on the object's own writing operations.
#include "registry/cls_registry.h"

#include <utility>

namespace {

// The executable's path made ready for a command line: blanks trimmed, then a quote
// put at each end that lacks one.
std::wstring QuotedPath(const std::wstring& path) {
    const size_t first = path.find_first_not_of(L' ');
    std::wstring quoted =
        first == std::wstring::npos ? L"" : path.substr(first, path.find_last_not_of(L' ') - first + 1);
    if (quoted.empty() || quoted.front() != L'"') quoted.insert(0, 1, L'"');
    if (quoted.back() != L'"') quoted.push_back(L'"');
    return quoted;
}

}  // namespace

void CLS_Registry::WriteDefaultText(const std::wstring& sSection, const Variant& value) {
    SectionKey(sSection);
    ValueKey(L"");
    Value(value);
}

// The texts are copies on purpose, though only read: every write changes the
// selectors, and a caller may pass the object's own.
// NOLINTBEGIN(performance-unnecessary-value-param)
void CLS_Registry::CreateEXEAssociation(std::wstring sExePath, std::wstring sClassName, std::wstring sClassDescription,
                                        std::wstring sAssociation, std::wstring sOpenMenuText, bool bSupportPrint,
                                        std::wstring sPrintMenuText, bool bSupportNew, std::wstring sNewMenuText,
                                        bool bSupportInstall, std::wstring sInstallMenuText,
                                        int32_t lDefaultIconIndex) {
    const std::wstring exe = QuotedPath(sExePath);
    const std::wstring shell = sClassName + L"\\shell\\";
    auto command = [&](const wchar_t* option) { return exe + option + L" \"%1\""; };

    ClassKey(kHkeyClassesRoot);
    ValueType(kRegSz);
    WriteDefaultText(L"." + sAssociation, Variant(sClassName));
    WriteDefaultText(sClassName, Variant(std::move(sClassDescription)));
    WriteDefaultText(shell + L"open", Variant(sOpenMenuText.empty() ? L"&Open" : sOpenMenuText));
    WriteDefaultText(shell + L"open\\command", Variant(command(L"")));
    // Print, install and new are written in that order.
    if (bSupportPrint) {
        WriteDefaultText(shell + L"print", Variant(sPrintMenuText.empty() ? L"&Print" : sPrintMenuText));
        WriteDefaultText(shell + L"print\\command", Variant(command(L" /p")));
    }
    if (bSupportInstall) {
        if (sInstallMenuText.empty()) sInstallMenuText = L"&Install " + sAssociation;
        WriteDefaultText(shell + L"add", Variant(sInstallMenuText));
        WriteDefaultText(shell + L"add\\command", Variant(command(L" /a")));
    }
    if (bSupportNew) {
        WriteDefaultText(shell + L"new", Variant(sNewMenuText.empty() ? L"&New" : sNewMenuText));
        WriteDefaultText(shell + L"new\\command", Variant(command(L" /n")));
    }
    if (lDefaultIconIndex > -1)
        WriteDefaultText(sClassName + L"\\DefaultIcon", Variant(exe + L"," + std::to_wstring(lDefaultIconIndex)));
}
// NOLINTEND(performance-unnecessary-value-param)

void CLS_Registry::CreateAdditionalEXEAssociations(std::wstring sClassName, const std::vector<Variant>& vItems) {
    const size_t n = vItems.size();
    if (n % 3 != 0)
        throw AppError(
            kErrAssociationItems, ErrorSource(),
            L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    SectionKey(sClassName);
    if (!KeyExists())
        throw AppError(kErrAssociationClass, ErrorSource(),
                       L"Error - attempt to create additional associations before class defined.");
    // A failing step, whatever its failure (memory running out while a path is built
    // too), drops that entry only; the group's other entry and the later groups are
    // still written.
    auto step = [&](const Variant& name, const wchar_t* below, const Variant& value) {
        try {
            WriteDefaultText(sClassName + L"\\shell\\" + name.ToText() + below, value);
        } catch (...) {
        }
    };
    for (size_t i = 0; i + 3 <= n; i += 3) {
        ValueType(kRegSz);
        step(vItems[i], L"", vItems[i + 1]);
        step(vItems[i], L"\\command", vItems[i + 2]);
    }
}
