// The device-installation functions over Display devices the test describes: each with
// its driver key (none: a device without a driver) and whether it is present, answered
// as the platform documents it. Sets are snapshots taken when they are made.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "window/device_setup_api.h"

class MemoryDevices : public DeviceSetupApi {
public:
    struct Device {
        Device(std::wstring key, bool isPresent = true, uint32_t propertyType = kPropertyTypeSz,
               bool withTerminator = true)
            : driverKey(std::move(key)), present(isPresent), type(propertyType), terminated(withTerminator) {}

        std::wstring driverKey;  // empty: the device has no driver, so no such property
        bool present;
        uint32_t type;            // the driver-key property's type
        bool terminated;          // the property ends in a terminator
        std::wstring instanceId;  // empty: "ROOT\DISPLAY\<its index in devices>"
    };

    DeviceInfoSet GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) override;
    int32_t EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) override;
    int32_t GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property, uint32_t* type,
                                      uint8_t* buffer, uint32_t bufferSize, uint32_t* requiredSize) override;
    int32_t GetDeviceInstanceId(DeviceInfoSet set, const DeviceInfoData& data, wchar_t* buffer, uint32_t bufferChars,
                                uint32_t* requiredChars) override;
    int32_t OpenDevRegKey(DeviceInfoSet set, const DeviceInfoData& data, uint32_t scope, uint32_t keyType,
                          uint32_t samDesired) override;
    // DIF_REMOVE takes the device out of devices and runs onRemove, where a test deletes
    // the device's keys as the platform does.
    int32_t CallClassInstaller(uint32_t installFunction, DeviceInfoSet set, const DeviceInfoData& data) override;
    void DestroyDeviceInfoList(DeviceInfoSet set) override { sets_.erase(set); }

    std::vector<Device> devices;
    // Makes GetClassDevs or the property read fail with this code (0: none).
    int32_t failClassDevs = 0;
    int32_t failProperty = 0;
    // Makes DIF_REMOVE fail with this code (0: none).
    int32_t failRemove = 0;
    // Runs at each GetClassDevs with its number, from 1, before the set is taken; a code
    // it returns fails the call.
    std::function<int32_t(int call)> onClassDevs;
    std::function<void(const Device&)> onRemove;
    // Sets made and not yet destroyed.
    size_t OpenSetCount() const { return sets_.size(); }
    size_t RemoveCount() const { return removals_; }

private:
    const Device* Find(DeviceInfoSet set, const DeviceInfoData& data) const;

    std::map<DeviceInfoSet, std::vector<Device>> sets_;
    DeviceInfoSet next_ = 0x5E7;
    int classDevsCalls_ = 0;
    size_t removals_ = 0;
};
