#include "platform/win32_toolkit.h"

#include <cstring>
#include <vector>

#include "base/app_error.h"
#include "platform/win32_handles.h"
#include "platform/win32_shell.h"
#include "window/control_ids.h"

namespace {

constexpr int32_t kErrFileNotFound = 53;

}  // namespace

ModuleVersion ReadModuleVersion(HMODULE module) {
    ModuleVersion version;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    if (found == nullptr) return version;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (data == nullptr || size == 0) return version;
    // The fixed part of the version block is found by its signature, read straight
    // from the resource: that keeps version.dll, a DLL the loader would look for
    // beside the program first, out of the program's imports.
    const auto* bytes = static_cast<const unsigned char*>(data);
    const VS_FIXEDFILEINFO* info = nullptr;
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        DWORD signature = 0;
        std::memcpy(&signature, bytes + offset, sizeof signature);
        if (signature == VS_FFI_SIGNATURE) {
            info = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + offset);
            break;
        }
    }
    if (info == nullptr) return version;
    version.major = HIWORD(info->dwFileVersionMS);
    version.minor = LOWORD(info->dwFileVersionMS);
    version.revision = HIWORD(info->dwFileVersionLS);
    return version;
}

std::wstring CommandLineFor(const std::wstring& programPath, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + programPath + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    return commandLine;
}

Win32Toolkit::Win32Toolkit(Win32Form& form) : form_(form), version_(ReadModuleVersion(GetModuleHandleW(nullptr))) {}

int32_t Win32Toolkit::MsgBox(const std::wstring& prompt, int32_t style, const std::wstring& title) {
    const wchar_t* caption = title.empty() ? kApplicationTitle : title.c_str();
    return MessageBoxW(form_.Handle(), prompt.c_str(), caption, static_cast<UINT>(style));
}

void Win32Toolkit::OpenWithShell(const std::wstring& operation, const std::wstring& file,
                                 const std::wstring& parameters, const std::wstring& directory, int32_t showCommand) {
    ShellExecuteFromProgram(form_.Handle(), operation, file, parameters, directory, showCommand);
}

bool Win32Toolkit::OpenWithDesktopShell(const std::wstring& operation, const std::wstring& file,
                                        const std::wstring& parameters, const std::wstring& directory,
                                        int32_t showCommand) {
    return ShellExecuteFromDesktop(operation, file, parameters, directory, showCommand);
}

int32_t Win32Toolkit::ElevationType() {
    return ProcessElevationType();
}

void Win32Toolkit::StartProgram(const std::wstring& programPath, const std::wstring& arguments, int32_t windowStyle) {
    // The application name is the full path, so the platform searches no folder (the
    // current one least of all) for a program of that name.
    std::wstring commandLine = CommandLineFor(programPath, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(programPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        throw AppError(kErrFileNotFound, kApplicationTitle, L"File not found");
    }
    // The program runs on its own; it is neither waited for nor watched.
    KernelHandle thread(process.hThread);
    KernelHandle started(process.hProcess);
}

std::wstring Win32Toolkit::SystemDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::wstring();
    std::wstring folder(buffer, length);
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

void Win32Toolkit::SetMousePointer(int32_t pointer) {
    form_.SetMousePointer(pointer);
}

float Win32Toolkit::ScreenWidth() {
    return form_.Scale().ToTwips(GetSystemMetrics(SM_CXSCREEN));
}

float Win32Toolkit::ScreenHeight() {
    return form_.Scale().ToTwips(GetSystemMetrics(SM_CYSCREEN));
}

void Win32Toolkit::EndProcess() {
    // The loop ends when the current handler has returned to it.
    PostQuitMessage(0);
}
