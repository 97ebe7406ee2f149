#include "window/adapter_presence.h"

#include <algorithm>
#include <cwctype>

#include "base/unique_handle.h"

namespace {

// A device set is destroyed through the seam that made it.
struct DeviceSetTraits : NullHandleTraits<DeviceInfoSet> {
    DeviceSetupApi* api = nullptr;
    void Close(DeviceInfoSet set) const { api->DestroyDeviceInfoList(set); }
};
using DeviceSet = UniqueHandle<DeviceSetTraits>;

enum class DriverKeyRead { Found, NoDriver, Failed };

// The driver key of one device. A device without one (no driver installed) names no
// entry; any other failure leaves unknown which entry it names.
DriverKeyRead ReadDriverKey(DeviceSetupApi& api, DeviceInfoSet set, const DeviceInfoData& device,
                            std::wstring& driverKey) {
    std::vector<uint8_t> buffer(512);
    for (int attempt = 0; attempt < 2; ++attempt) {
        uint32_t type = 0;
        uint32_t required = 0;
        const int32_t rc = api.GetDeviceRegistryProperty(set, device, kSpdrpDriver, &type, buffer.data(),
                                                         static_cast<uint32_t>(buffer.size()), &required);
        if (rc == kDeviceErrorInvalidData) return DriverKeyRead::NoDriver;
        if (rc == kDeviceErrorInsufficientBuffer && required > buffer.size()) {
            buffer.resize(required);
            continue;
        }
        if (rc != kDeviceErrorSuccess) return DriverKeyRead::Failed;
        // UTF-16 code units, two bytes each whatever the size of wchar_t.
        const size_t chars = std::min<size_t>(required, buffer.size()) / 2;
        driverKey.clear();
        for (size_t i = 0; i < chars; ++i) {
            const wchar_t c = static_cast<wchar_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
            if (c == L'\0') break;
            driverKey.push_back(c);
        }
        return DriverKeyRead::Found;
    }
    return DriverKeyRead::Failed;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
}

// The last two names of a key path: "...\Class\{guid}\0001" gives "{guid}\0001".
std::wstring DriverKeyOf(const std::wstring& keyPath) {
    const size_t last = keyPath.rfind(L'\\');
    if (last == std::wstring::npos || last == 0) return keyPath;
    const size_t before = keyPath.rfind(L'\\', last - 1);
    return before == std::wstring::npos ? keyPath : keyPath.substr(before + 1);
}

}  // namespace

bool PresentDisplayDriverKeys(DeviceSetupApi* api, std::vector<std::wstring>& driverKeys) {
    driverKeys.clear();
    if (api == nullptr) return false;
    int32_t error = 0;
    const DeviceSet set(api->GetClassDevs(kDisplayClassGuid, kDigcfPresent, &error), DeviceSetTraits{{}, api});
    if (!set) return false;
    uint32_t devices = 0;
    for (uint32_t index = 0;; ++index) {
        DeviceInfoData device;
        const int32_t rc = api->EnumDeviceInfo(set.Get(), index, &device);
        if (rc == kDeviceErrorNoMoreItems) break;
        if (rc != kDeviceErrorSuccess) return false;
        ++devices;
        std::wstring driverKey;
        const DriverKeyRead read = ReadDriverKey(*api, set.Get(), device, driverKey);
        if (read == DriverKeyRead::Failed) return false;
        if (read == DriverKeyRead::Found) driverKeys.push_back(driverKey);
    }
    return devices > 0;
}

bool UsedByAny(const std::vector<std::wstring>& driverKeys, const std::wstring& keyPath) {
    const std::wstring entry = DriverKeyOf(keyPath);
    return std::any_of(driverKeys.begin(), driverKeys.end(),
                       [&](const std::wstring& key) { return SameIgnoringCase(key, entry); });
}
