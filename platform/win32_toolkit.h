// The platform services the window calls: message boxes, the shell, starting a
// program, the mouse pointer, the screen, the program's version numbers.
#pragma once

#include <windows.h>

#include "platform/win32_form.h"
#include "window/toolkit.h"

// The version numbers stored in a module's version resource.
struct ModuleVersion {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t revision = 0;
};

// Reads the file version of the module's own version resource; all zero when there
// is none.
ModuleVersion ReadModuleVersion(HMODULE module);

// "\"path\" arguments": the program's full path quoted, as the first word of the
// command line that the started program sees.
std::wstring CommandLineFor(const std::wstring& programPath, const std::wstring& arguments);

class Win32Toolkit : public Toolkit {
public:
    explicit Win32Toolkit(Win32Form& form);

    int32_t MsgBox(const std::wstring& prompt, int32_t style, const std::wstring& title) override;
    void OpenWithShell(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                       const std::wstring& directory, int32_t showCommand) override;
    bool OpenWithDesktopShell(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                              const std::wstring& directory, int32_t showCommand) override;
    int32_t ElevationType() override;
    void StartProgram(const std::wstring& programPath, const std::wstring& arguments, int32_t windowStyle) override;
    std::wstring SystemDirectory() override;
    void SetMousePointer(int32_t pointer) override;
    float ScreenWidth() override;
    float ScreenHeight() override;
    int32_t VersionMajor() override { return version_.major; }
    int32_t VersionMinor() override { return version_.minor; }
    int32_t VersionRevision() override { return version_.revision; }
    void EndProcess() override;

private:
    Win32Form& form_;
    ModuleVersion version_;
};
