// The device-installation functions over Display devices the test describes: each with
// its driver key (none: a device without a driver) and whether it is present, answered
// as the platform documents it. Sets are snapshots taken when they are made.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "window/device_setup_api.h"

class MemoryDevices : public DeviceSetupApi {
public:
    struct Device {
        std::wstring driverKey;  // empty: the device has no driver, so no such property
        bool present = true;
    };

    DeviceInfoSet GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) override;
    int32_t EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) override;
    int32_t GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property, uint32_t* type,
                                      uint8_t* buffer, uint32_t bufferSize, uint32_t* requiredSize) override;
    void DestroyDeviceInfoList(DeviceInfoSet set) override { sets_.erase(set); }

    std::vector<Device> devices;
    // Makes GetClassDevs or the property read fail with this code (0: none).
    int32_t failClassDevs = 0;
    int32_t failProperty = 0;
    // Sets made and not yet destroyed.
    size_t OpenSetCount() const { return sets_.size(); }

private:
    std::map<DeviceInfoSet, std::vector<Device>> sets_;
    DeviceInfoSet next_ = 0x5E7;
};
