// The program's entry point: creates the window hidden in its design state, runs its
// load handler, shows it and dispatches its events until it is gone.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "platform/win32_toolkit.h"
#include "registry/win32_registry_api.h"
#include "window/frm_list.h"
#include "window/frm_list_design.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // DLLs loaded from here on (by the shell, by COM) come from the system folder only,
    // never from beside the program or the current folder, where one could be planted.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The shell may hand a document to extensions that need COM on this thread.
    const ComApartment com = EnterComApartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    Win32Form form(instance, kFrmListDesign);
    if (!form.Create()) return 1;
    Win32Toolkit toolkit(form);
    Win32RegistryApi registryApi;
    frmList window(registryApi, toolkit, form.Controls());
    form.SetEvents(&window);

    form.Load();
    form.Show(showCommand);
    const int exitCode = RunMessageLoop(form);
    form.SetEvents(nullptr);
    return exitCode;
}
