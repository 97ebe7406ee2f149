// The route by which a program run as administrator has a document opened by the shell
// of the user's desktop (Explorer's desktop folder view, found through IShellWindows),
// so that what opens runs with the desktop's everyday token instead of the program's.
//
// Every call of the route goes to Explorer's process and waits for its answer, without
// a limit of its own: a hung Explorer would freeze the window that makes them. So the
// calls are made from a worker thread with an apartment of its own, and the window's
// thread waits for the answer a bounded time while it keeps dispatching its messages.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <functional>
#include <string>

// The calls that reach the shell from outside any of its objects: found at run time in
// the program, stand-ins in tests.
struct DesktopShellCalls {
    decltype(&::CoCreateInstance) createInstance = nullptr;
    decltype(&::CoAllowSetForegroundWindow) allowSetForegroundWindow = nullptr;  // may be null
};

// What IShellDispatch2::ShellExecute is asked to do. Empty texts are passed as empty.
struct ShellRequest {
    std::wstring operation;
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int showCommand = SW_SHOWNORMAL;
};

// Runs the route on the calling thread, which must be in an apartment (and have the
// calls of COM and the shell loaded). Asks `mayHandOver` once, when it has the shell's
// object and before it grants the desktop's process the foreground
// (CoAllowSetForegroundWindow) and hands the request to ShellExecute: false ends the
// route there, with neither call made and the request not handed over. Calls
// `answered` once: with true when the shell took the request
// (IShellDispatch2::ShellExecute answered S_OK or S_FALSE; S_FALSE is its answer when its
// own start of the document failed, so true means handed to the shell, not opened), with
// false when a step of the route is missing or the request was not handed over. The
// answer comes as soon as it is known, before the shell's last reference is given back,
// so that a shell hanging after it has taken the request does not count as one that
// refused it.
void HandToDesktopShell(const DesktopShellCalls& calls, const ShellRequest& request,
                        const std::function<bool()>& mayHandOver, const std::function<void(bool taken)>& answered);

// The route from a worker thread with a single-threaded apartment of its own, while the
// calling thread waits at most `waitMilliseconds` for the answer and dispatches its
// messages meanwhile, the user's input apart, which waits in the queue for the end of
// the handler (a WM_QUIT it meets ends the dispatching and is posted again after the
// wait). True when the shell took the request in time, or when the worker had handed it
// over when the wait gave up (the shell may still open the document: the program must
// not open it a second time). False when a step is missing or the shell did not answer
// in time; the worker then never hands the request over, so that the caller may open the
// document itself. The worker owns what it uses and lets go of it when the shell answers.
bool HandToDesktopShellWithin(const DesktopShellCalls& calls, const ShellRequest& request, DWORD waitMilliseconds);

// True while the calling thread waits in HandToDesktopShellWithin. Its windows hold what
// other programs ask of them meanwhile (Close, a click) until the handler that waits has
// returned, as the user's own input waits in the queue.
bool WaitingForDesktopShell();
