#include "stand_in/memory_registry.h"
#include "tests/conformance/conformance_env.h"

namespace {

class MemoryEnv : public ConformanceEnv {
public:
    RegistryApi& Api() override { return registry_; }
    void SetEnvironmentVariable(const std::string& name, const std::string& value) override {
        registry_.SetEnvironment(name, value);
    }
    void CreateKeyWide(RegKey root, const std::wstring& path) override {
        registry_.AddKey(static_cast<int32_t>(root), path);
    }
    const char* Name() const override { return "in-memory registry"; }

private:
    MemoryRegistry registry_;
};

}  // namespace

std::unique_ptr<ConformanceEnv> MakeConformanceEnv() {
    return std::make_unique<MemoryEnv>();
}
