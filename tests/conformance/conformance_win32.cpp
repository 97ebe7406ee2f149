#include <windows.h>

#include "registry/win32_registry_api.h"
#include "tests/conformance/conformance_env.h"

namespace {

class Win32Env : public ConformanceEnv {
public:
    RegistryApi& Api() override { return api_; }
    void SetEnvironmentVariable(const std::string& name, const std::string& value) override {
        ::SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    void CreateKeyWide(RegKey root, const std::wstring& path) override {
        UniqueHkey key;
        HKEY created = nullptr;
        if (::RegCreateKeyExW(reinterpret_cast<HKEY>(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr) == ERROR_SUCCESS)
            key.Reset(created);
    }
    const char* Name() const override { return "platform registry"; }

private:
    Win32RegistryApi api_;
};

}  // namespace

std::unique_ptr<ConformanceEnv> MakeConformanceEnv() {
    return std::make_unique<Win32Env>();
}
