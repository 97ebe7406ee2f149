// Every platform function the program finds at run time, in one list per DLL, each
// with a pointer Dyn<Function> that is null where the DLL or the function is missing:
// callers test the pointer before the call.
//
// Two kinds are found this way:
// - functions newer than Windows 7, the oldest Windows the program runs on, so that
//   the loader never refuses to start it for a missing entry point. The program's
//   import table is checked against these (tests/hardening/check_hardening.py keeps
//   the list of functions Windows 7 lacks);
// - the functions of COM and the shell, DLLs that are loaded when a document is
//   first opened rather than at every start, and those of the device-installation
//   DLL, loaded when "Remove All" first asks which adapters are present.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <setupapi.h>
#include <shellapi.h>

// kernel32 and user32 come with the program; their functions are found before main.
// Windows 8 (Windows 7 only with its DLL-search update KB2533623):
#define TDM_KERNEL32_CALLS(V) V(SetDefaultDllDirectories)
// Windows 10 (1607):
#define TDM_USER32_CALLS(V) V(GetDpiForWindow) V(AdjustWindowRectExForDpi) V(SystemParametersInfoForDpi)

// COM and the shell, loaded from the system folder by LoadShellCalls.
#define TDM_OLE32_CALLS(V) V(CoInitializeEx) V(CoUninitialize) V(CoCreateInstance) V(CoAllowSetForegroundWindow)
#define TDM_OLEAUT32_CALLS(V) V(SysAllocString) V(SysFreeString)
#define TDM_SHELL32_CALLS(V) V(ShellExecuteW)

// The device-installation functions, loaded from the system folder by LoadSetupCalls.
// clang-format off
#define TDM_SETUPAPI_CALLS(V) \
    V(SetupDiGetClassDevsW) V(SetupDiEnumDeviceInfo) V(SetupDiGetDeviceRegistryPropertyW) \
    V(SetupDiGetDeviceInstanceIdW) V(SetupDiOpenDevRegKey) V(SetupDiCallClassInstaller) \
    V(SetupDiDestroyDeviceInfoList)
// clang-format on

#define TDM_DECLARE_DYN_CALL(name) extern decltype(&::name) Dyn##name;
TDM_KERNEL32_CALLS(TDM_DECLARE_DYN_CALL)
TDM_USER32_CALLS(TDM_DECLARE_DYN_CALL)
TDM_OLE32_CALLS(TDM_DECLARE_DYN_CALL)
TDM_OLEAUT32_CALLS(TDM_DECLARE_DYN_CALL)
TDM_SHELL32_CALLS(TDM_DECLARE_DYN_CALL)
TDM_SETUPAPI_CALLS(TDM_DECLARE_DYN_CALL)
#undef TDM_DECLARE_DYN_CALL

// Loads COM and the shell, once, by their full paths in the system folder (never from
// beside the program or the current folder, also where the DLL search cannot be
// limited), keeps them loaded (the shell may leave work running in them after a call)
// and finds their functions. Later calls do nothing.
void LoadShellCalls();

// Loads the device-installation DLL, once, by its full path in the system folder, and
// finds its functions. Later calls do nothing.
void LoadSetupCalls();
