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

// 13 also answers a property whose data is not valid; only a driver key that does not
// open as missing makes it a device without a driver.
bool HasNoDriverKey(DeviceSetupApi& api, DeviceInfoSet set, const DeviceInfoData& device) {
    return api.OpenDevRegKey(set, device, kDicsFlagGlobal, kDiregDrv, kKeyRead) == kDeviceErrorKeyDoesNotExist;
}

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
        if (rc == kDeviceErrorInvalidData) {
            return HasNoDriverKey(api, set, device) ? DriverKeyRead::NoDriver : DriverKeyRead::Failed;
        }
        if (rc == kDeviceErrorInsufficientBuffer && required > buffer.size()) {
            buffer.resize(required);
            continue;
        }
        if (rc != kDeviceErrorSuccess || type != kPropertyTypeSz) return DriverKeyRead::Failed;
        // UTF-16 code units, two bytes each whatever the size of wchar_t; the property
        // need not end in a terminator, and what lies past its size is not its own.
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

// The last two names of a key path: "...\Class\{guid}\0001" gives "{guid}\0001".
std::wstring DriverKeyOf(const std::wstring& keyPath) {
    const size_t last = keyPath.rfind(L'\\');
    if (last == std::wstring::npos || last == 0) return keyPath;
    const size_t before = keyPath.rfind(L'\\', last - 1);
    return before == std::wstring::npos ? keyPath : keyPath.substr(before + 1);
}

bool Listed(const std::vector<DisplayDevice>& devices, const std::wstring& instanceId) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const DisplayDevice& device) { return SameIgnoringCase(device.instanceId, instanceId); });
}

// Appends the devices of one listing; a device listed already, as present, is skipped.
bool Collect(DeviceSetupApi& api, bool present, std::vector<DisplayDevice>& devices) {
    return ForEachDisplayDevice(api, present ? kDigcfPresent : 0, [&](DeviceInfoSet set, const DeviceInfoData& data) {
        DisplayDevice device;
        device.present = present;
        if (!ReadInstanceId(api, set, data, device.instanceId)) return Visit::Failed;
        if (!present && Listed(devices, device.instanceId)) return Visit::Next;
        if (ReadDriverKey(api, set, data, device.driverKey) == DriverKeyRead::Failed) return Visit::Failed;
        devices.push_back(std::move(device));
        return Visit::Next;
    });
}

}  // namespace

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
}

bool ForEachDisplayDevice(DeviceSetupApi& api, uint32_t flags,
                          const std::function<Visit(DeviceInfoSet, const DeviceInfoData&)>& visit) {
    int32_t error = 0;
    const DeviceSet set(api.GetClassDevs(kDisplayClassGuid, flags, &error), DeviceSetTraits{{}, &api});
    if (!set) return false;
    for (uint32_t index = 0;; ++index) {
        DeviceInfoData device;
        const int32_t rc = api.EnumDeviceInfo(set.Get(), index, &device);
        if (rc == kDeviceErrorNoMoreItems) return true;
        if (rc != kDeviceErrorSuccess) return false;
        const Visit next = visit(set.Get(), device);
        if (next != Visit::Next) return next == Visit::Done;
    }
}

bool ReadInstanceId(DeviceSetupApi& api, DeviceInfoSet set, const DeviceInfoData& device, std::wstring& instanceId) {
    // An instance ID has at most 200 characters (MAX_DEVICE_ID_LEN); a longer answer is
    // read at its size.
    std::vector<wchar_t> buffer(201);
    for (int attempt = 0; attempt < 2; ++attempt) {
        uint32_t required = 0;
        const int32_t rc =
            api.GetDeviceInstanceId(set, device, buffer.data(), static_cast<uint32_t>(buffer.size()), &required);
        if (rc == kDeviceErrorInsufficientBuffer && required > buffer.size()) {
            buffer.resize(required);
            continue;
        }
        if (rc != kDeviceErrorSuccess) return false;
        instanceId.assign(buffer.data(), std::find(buffer.begin(), buffer.end(), L'\0') - buffer.begin());
        return !instanceId.empty();
    }
    return false;
}

bool DisplayDevices(DeviceSetupApi* api, std::vector<DisplayDevice>& devices) {
    devices.clear();
    if (api == nullptr) return false;
    // The present ones first: a device that only the listing of every device holds is
    // not present.
    if (!Collect(*api, true, devices) || devices.empty()) return false;
    return Collect(*api, false, devices);
}

EntryUse UseOf(const std::vector<DisplayDevice>& devices, const std::wstring& keyPath,
               std::vector<std::wstring>* absentIds) {
    const std::wstring entry = DriverKeyOf(keyPath);
    EntryUse use = EntryUse::NamedByNone;
    std::vector<std::wstring> absent;
    for (const DisplayDevice& device : devices) {
        if (device.driverKey.empty() || !SameIgnoringCase(device.driverKey, entry)) continue;
        if (device.present) return EntryUse::InUse;
        use = EntryUse::OfAbsentDevice;
        absent.push_back(device.instanceId);
    }
    if (absentIds != nullptr) *absentIds = std::move(absent);
    return use;
}

bool ConfirmedNotPresent(DeviceSetupApi& api, const std::wstring& instanceId) {
    bool seen = false;
    const bool listed = ForEachDisplayDevice(api, kDigcfPresent, [&](DeviceInfoSet set, const DeviceInfoData& data) {
        std::wstring id;
        if (!ReadInstanceId(api, set, data, id)) return Visit::Failed;
        seen = SameIgnoringCase(id, instanceId);
        return seen ? Visit::Done : Visit::Next;
    });
    return listed && !seen && !instanceId.empty();
}
