#include "stand_in/memory_devices.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorInvalidParameter = 87;

}  // namespace

DeviceInfoSet MemoryDevices::GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) {
    *error = onClassDevs ? onClassDevs(++classDevsCalls_) : 0;
    if (*error == 0) *error = failClassDevs;
    if (*error != 0) return 0;
    // An ID once given stays the device's, whatever is removed before it.
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].instanceId.empty()) devices[i].instanceId = L"ROOT\\DISPLAY\\" + std::to_wstring(i);
    }
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

const MemoryDevices::Device* MemoryDevices::Find(DeviceInfoSet set, const DeviceInfoData& data) const {
    const auto it = sets_.find(set);
    if (it == sets_.end() || data.devInst == 0 || data.devInst > it->second.size()) return nullptr;
    return &it->second[data.devInst - 1];
}

int32_t MemoryDevices::GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property,
                                                 uint32_t* type, uint8_t* buffer, uint32_t bufferSize,
                                                 uint32_t* requiredSize) {
    const Device* device = Find(set, data);
    if (device == nullptr) return kErrorInvalidHandle;
    if (failProperty != 0) return failProperty;
    const std::wstring& driverKey = device->driverKey;
    if (property != kSpdrpDriver || driverKey.empty()) return kDeviceErrorInvalidData;
    const size_t chars = driverKey.size() + (device->terminated ? 1 : 0);
    *requiredSize = static_cast<uint32_t>(chars * 2);
    *type = device->type;
    if (bufferSize < *requiredSize) return kDeviceErrorInsufficientBuffer;
    // UTF-16LE; what lies past the property is whatever the buffer held, never a NUL.
    std::fill(buffer, buffer + bufferSize, uint8_t{'A'});
    for (size_t i = 0; i < chars; ++i) {
        const wchar_t c = i < driverKey.size() ? driverKey[i] : L'\0';
        buffer[2 * i] = static_cast<uint8_t>(c & 0xFF);
        buffer[2 * i + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
    }
    return kDeviceErrorSuccess;
}

int32_t MemoryDevices::GetDeviceInstanceId(DeviceInfoSet set, const DeviceInfoData& data, wchar_t* buffer,
                                           uint32_t bufferChars, uint32_t* requiredChars) {
    const Device* device = Find(set, data);
    if (device == nullptr) return kErrorInvalidHandle;
    *requiredChars = static_cast<uint32_t>(device->instanceId.size() + 1);
    if (bufferChars < *requiredChars) return kDeviceErrorInsufficientBuffer;
    std::copy(device->instanceId.begin(), device->instanceId.end(), buffer);
    buffer[device->instanceId.size()] = L'\0';
    return kDeviceErrorSuccess;
}

int32_t MemoryDevices::OpenDevRegKey(DeviceInfoSet set, const DeviceInfoData& data, uint32_t scope, uint32_t keyType,
                                     uint32_t samDesired) {
    const Device* device = Find(set, data);
    if (device == nullptr) return kErrorInvalidHandle;
    if (scope != kDicsFlagGlobal || keyType != kDiregDrv || samDesired != kKeyRead) return kErrorInvalidParameter;
    return device->driverKey.empty() ? kDeviceErrorKeyDoesNotExist : kDeviceErrorSuccess;
}

int32_t MemoryDevices::CallClassInstaller(uint32_t installFunction, DeviceInfoSet set, const DeviceInfoData& data) {
    const Device* device = Find(set, data);
    if (device == nullptr || installFunction != kDifRemove) return kErrorInvalidParameter;
    if (failRemove != 0) return failRemove;
    const auto it = std::find_if(devices.begin(), devices.end(),
                                 [&](const Device& d) { return d.instanceId == device->instanceId; });
    if (it == devices.end()) return kErrorInvalidParameter;
    const Device removed = *it;
    devices.erase(it);
    ++removals_;
    if (onRemove) onRemove(removed);
    return kDeviceErrorSuccess;
}
