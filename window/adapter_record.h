// One inventory entry: where its key is and what it stores.
#pragma once

#include <string>

struct AdapterRecord {
    std::wstring KeyPath;  // below HKEY_LOCAL_MACHINE, no trailing backslash
    std::wstring SubkeyName;
    std::wstring AdapterName;
    std::wstring BiosVersion;
    std::wstring DriverDate;
    std::wstring DriverVersion;
    std::wstring ProviderName;
};
