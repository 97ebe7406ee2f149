// The device-installation functions behind the window's seam: a thin forwarder to
// setupapi, which it loads from the system folder when it is first asked (presence is
// always asked before anything is removed).
#pragma once

#include "window/device_setup_api.h"

class Win32DeviceSetupApi : public DeviceSetupApi {
public:
    DeviceInfoSet GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) override;
    int32_t EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) override;
    int32_t GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property, uint32_t* type,
                                      uint8_t* buffer, uint32_t bufferSize, uint32_t* requiredSize) override;
    int32_t GetDeviceInstanceId(DeviceInfoSet set, const DeviceInfoData& data, wchar_t* buffer, uint32_t bufferChars,
                                uint32_t* requiredChars) override;
    int32_t OpenDevRegKey(DeviceInfoSet set, const DeviceInfoData& data, uint32_t scope, uint32_t keyType,
                          uint32_t samDesired) override;
    int32_t CallClassInstaller(uint32_t installFunction, DeviceInfoSet set, const DeviceInfoData& data) override;
    void DestroyDeviceInfoList(DeviceInfoSet set) override;
};
