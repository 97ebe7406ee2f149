// What the conformance cases need of the registry they run against: the same cases
// run on the host against the in-memory registry and under Wine against the real one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "registry/registry_api.h"

class ConformanceEnv {
public:
    virtual ~ConformanceEnv() = default;
    virtual RegistryApi& Api() = 0;
    virtual void SetEnvironmentVariable(const std::string& name, const std::string& value) = 0;
    // Creates a key by its name in UTF-16, as a driver that names its keys in any script
    // does; the seam's own creation takes single-byte names only.
    virtual void CreateKeyWide(RegKey root, const std::wstring& path) = 0;
    virtual const char* Name() const = 0;
};

std::unique_ptr<ConformanceEnv> MakeConformanceEnv();

// The running case's name, which names its scratch keys, so that no case sees what
// another left behind.
inline std::string CaseName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}
