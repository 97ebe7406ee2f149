// Documents and web addresses handed to the shell: by the program itself, or, when it
// runs as an administrator, by the shell of the user's desktop, so that the browser
// the address opens does not inherit the administrator's rights.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The elevation of the process's token as GetTokenInformation(TokenElevationType)
// reports it: 1 (TokenElevationTypeDefault: no split token), 2 (TokenElevationTypeFull:
// run as administrator, with a limited everyday token beside it), 3
// (TokenElevationTypeLimited); 0 when the platform does not tell.
int32_t ProcessElevationType();

// ShellExecuteW from the program, with COM set up on the thread first (the shell may
// hand the document to extensions that need it). Empty texts pass as null.
void ShellExecuteFromProgram(HWND owner, const std::wstring& operation, const std::wstring& file,
                             const std::wstring& parameters, const std::wstring& directory, int showCommand);

// Asks the shell of the desktop (Explorer's desktop folder view, found through
// IShellWindows) to run IShellDispatch2::ShellExecute, so that the document opens
// with the desktop's everyday token (win32_desktop_shell.h). True means the request
// was handed to the shell, not that the document opened: the shell answers S_FALSE,
// taken as true, when its own start of the document fails. False when any step of
// that route is missing (no shell desktop, or one that does not offer it) or the shell
// does not answer within a few seconds, during which the window keeps answering; the
// caller then opens the document itself.
bool ShellExecuteFromDesktop(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                             const std::wstring& directory, int showCommand);
