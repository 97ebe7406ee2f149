#include "stand_in/memory_devices.h"

#include <cstring>

namespace {

constexpr int32_t kErrorInvalidHandle = 6;

}  // namespace

DeviceInfoSet MemoryDevices::GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) {
    *error = failClassDevs;
    if (failClassDevs != 0) return 0;
    // Every device here is of the Display class; another class has none.
    std::vector<Device>& chosen = sets_[next_];
    if (std::memcmp(&classGuid, &kDisplayClassGuid, sizeof classGuid) == 0) {
        // Without DIGCF_PRESENT the set holds every device of the class installed so far.
        for (const Device& device : devices)
            if (device.present || (flags & kDigcfPresent) == 0) chosen.push_back(device);
    }
    return next_++;
}

int32_t MemoryDevices::EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) {
    const auto it = sets_.find(set);
    if (it == sets_.end()) return kErrorInvalidHandle;
    if (index >= it->second.size()) return kDeviceErrorNoMoreItems;
    data->classGuid = kDisplayClassGuid;
    data->devInst = index + 1;
    return kDeviceErrorSuccess;
}

int32_t MemoryDevices::GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property,
                                                 uint32_t* type, uint8_t* buffer, uint32_t bufferSize,
                                                 uint32_t* requiredSize) {
    const auto it = sets_.find(set);
    if (it == sets_.end() || data.devInst == 0 || data.devInst > it->second.size()) return kErrorInvalidHandle;
    if (failProperty != 0) return failProperty;
    const std::wstring& driverKey = it->second[data.devInst - 1].driverKey;
    if (property != kSpdrpDriver || driverKey.empty()) return kDeviceErrorInvalidData;
    *requiredSize = static_cast<uint32_t>((driverKey.size() + 1) * 2);
    *type = 1;  // REG_SZ
    if (bufferSize < *requiredSize) return kDeviceErrorInsufficientBuffer;
    // UTF-16LE with its terminator.
    for (size_t i = 0; i <= driverKey.size(); ++i) {
        const wchar_t c = i < driverKey.size() ? driverKey[i] : L'\0';
        buffer[2 * i] = static_cast<uint8_t>(c & 0xFF);
        buffer[2 * i + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
    }
    return kDeviceErrorSuccess;
}
