#include "platform/win32_dyn_calls.h"

#include <string>

namespace {

FARPROC Find(HMODULE module, const char* name) {
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

// Through the generic function type, which the compiler accepts as a cast to any other.
template <typename Function>
void Assign(Function& pointer, FARPROC found) {
    pointer = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

HMODULE LoadFromSystemFolder(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    // With a full path this flag makes the DLL's own folder, the system folder, the
    // first place its dependencies are looked for; Windows 7 knows it without any update.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

#define TDM_DEFINE_DYN_CALL(name) decltype(&::name) Dyn##name = nullptr;
TDM_KERNEL32_CALLS(TDM_DEFINE_DYN_CALL)
TDM_USER32_CALLS(TDM_DEFINE_DYN_CALL)
TDM_OLE32_CALLS(TDM_DEFINE_DYN_CALL)
TDM_OLEAUT32_CALLS(TDM_DEFINE_DYN_CALL)
TDM_SHELL32_CALLS(TDM_DEFINE_DYN_CALL)
TDM_SETUPAPI_CALLS(TDM_DEFINE_DYN_CALL)
#undef TDM_DEFINE_DYN_CALL

namespace {

// kernel32 and user32 are in the process before any code of the program runs, so
// their functions are there to be found while the program's globals are set up.
const bool kLoadedCallsFound = [] {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
#define TDM_FIND_KERNEL32(name) Assign(Dyn##name, Find(kernel32, #name));
#define TDM_FIND_USER32(name) Assign(Dyn##name, Find(user32, #name));
    TDM_KERNEL32_CALLS(TDM_FIND_KERNEL32)
    TDM_USER32_CALLS(TDM_FIND_USER32)
#undef TDM_FIND_KERNEL32
#undef TDM_FIND_USER32
    return true;
}();

}  // namespace

void LoadShellCalls() {
    static const bool loaded = [] {
        const HMODULE ole32 = LoadFromSystemFolder(L"ole32.dll");
        const HMODULE oleaut32 = LoadFromSystemFolder(L"oleaut32.dll");
        const HMODULE shell32 = LoadFromSystemFolder(L"shell32.dll");
#define TDM_FIND_OLE32(name) Assign(Dyn##name, Find(ole32, #name));
#define TDM_FIND_OLEAUT32(name) Assign(Dyn##name, Find(oleaut32, #name));
#define TDM_FIND_SHELL32(name) Assign(Dyn##name, Find(shell32, #name));
        TDM_OLE32_CALLS(TDM_FIND_OLE32)
        TDM_OLEAUT32_CALLS(TDM_FIND_OLEAUT32)
        TDM_SHELL32_CALLS(TDM_FIND_SHELL32)
#undef TDM_FIND_OLE32
#undef TDM_FIND_OLEAUT32
#undef TDM_FIND_SHELL32
        return true;
    }();
    (void)loaded;
}

void LoadSetupCalls() {
    static const bool loaded = [] {
        const HMODULE setupapi = LoadFromSystemFolder(L"setupapi.dll");
#define TDM_FIND_SETUPAPI(name) Assign(Dyn##name, Find(setupapi, #name));
        TDM_SETUPAPI_CALLS(TDM_FIND_SETUPAPI)
#undef TDM_FIND_SETUPAPI
        return true;
    }();
    (void)loaded;
}
