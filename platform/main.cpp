// The program's entry point: creates the window hidden in its design state, runs its
// load handler, shows it and dispatches its events until it is gone.
#include <windows.h>

#include <commctrl.h>

#include "platform/startup_trace.h"
#include "platform/win32_device_setup_api.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_form.h"
#include "platform/win32_toolkit.h"
#include "registry/win32_registry_api.h"
#include "window/frm_list.h"
#include "window/frm_list_design.h"

namespace {

// DLLs loaded from here on by name come from the system folder only, never from beside
// the program or the current folder, where one could be planted. Windows 7 without its
// DLL-search update lacks SetDefaultDllDirectories, and SetDllDirectoryW(L"") only takes
// the current folder out of the search: the program's own folder is still searched
// first. There a DLL planted beside the program (in a downloads folder, say) is loaded
// whenever the shell or COM later loads a DLL of that name by name. Loading the shell and
// COM by full path, as the program does, covers those DLLs and the ones they import, not
// the ones they load later.
void LimitDllSearch() {
    if (DynSetDefaultDllDirectories != nullptr && DynSetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    TDM_TRACE_MARK("process start to WinMain (the program and its DLLs loaded)");
    LimitDllSearch();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TDM_TRACE_MARK("DLL search and common controls set up");

    Win32Form form(instance, kFrmListDesign);
    if (!form.Create()) return 1;
    Win32Toolkit toolkit(form);
    Win32RegistryApi registryApi;
    Win32DeviceSetupApi devices;
    frmList window(registryApi, toolkit, form.Controls(), &devices);
    form.SetEvents(&window);
    TDM_TRACE_MARK("controls created (fonts apart)");

    form.Load();
    TDM_TRACE_MARK("load handler: caption, centring, the scan");
    form.Show(showCommand);
    TDM_TRACE_MARK("show and first paint");
    TDM_TRACE_WRITE();
    const int exitCode = RunMessageLoop(form);
    form.SetEvents(nullptr);
    return exitCode;
}
