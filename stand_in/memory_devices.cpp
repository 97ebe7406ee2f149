#include "stand_in/memory_devices.h"

#include <cstring>

namespace {

constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorInvalidUserBuffer = 1784;
constexpr uint32_t kRegSzType = 1;

bool SameGuid(const DeviceClassGuid& a, const DeviceClassGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

}  // namespace

DeviceInfoSet MemoryDevices::GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) {
    if (failClassDevs != 0) {
        *error = failClassDevs;
        return 0;
    }
    std::vector<Device> chosen;
    for (const Device& device : devices) {
        if (!SameGuid(device.classGuid, classGuid)) continue;
        // Without DIGCF_PRESENT the set holds every device of the class installed so far.
        if ((flags & kDigcfPresent) != 0 && !device.present) continue;
        chosen.push_back(device);
    }
    const DeviceInfoSet set = next_++;
    sets_[set] = std::move(chosen);
    *error = 0;
    return set;
}

int32_t MemoryDevices::EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) {
    const auto it = sets_.find(set);
    if (it == sets_.end()) return kErrorInvalidHandle;
    if (data->size != sizeof(DeviceInfoData)) return kErrorInvalidUserBuffer;
    if (failEnum != 0) return failEnum;
    if (index >= it->second.size()) return kDeviceErrorNoMoreItems;
    data->classGuid = it->second[index].classGuid;
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
    const uint32_t size = static_cast<uint32_t>((driverKey.size() + 1) * 2);
    *requiredSize = size;
    *type = kRegSzType;
    if (bufferSize < size) return kDeviceErrorInsufficientBuffer;
    for (size_t i = 0; i <= driverKey.size(); ++i) {
        const wchar_t c = i < driverKey.size() ? driverKey[i] : L'\0';
        buffer[2 * i] = static_cast<uint8_t>(c & 0xFF);
        buffer[2 * i + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
    }
    return kDeviceErrorSuccess;
}

void MemoryDevices::DestroyDeviceInfoList(DeviceInfoSet set) {
    sets_.erase(set);
}
