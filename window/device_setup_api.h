// The device-installation functions the window asks which adapters are present now and
// removes a device that is not with, one virtual function per platform function
// (setupapi's SetupDi functions), with the platform's arguments and its error codes. The
// Win32 forwarder loads the DLL when it is first asked; the tests answer through a
// stand-in.
#pragma once

#include <cstdint>

// A GUID laid out as the platform lays it out.
struct DeviceClassGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

// The Display device class, {4d36e968-e325-11ce-bfc1-08002be10318} (GUID_DEVCLASS_DISPLAY).
constexpr DeviceClassGuid kDisplayClassGuid{
    0x4d36e968, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A device information set (HDEVINFO); 0 stands for none, where the platform answers
// INVALID_HANDLE_VALUE.
using DeviceInfoSet = intptr_t;

// SetupDiGetClassDevsW flags: only the devices present in the system now. Without it the
// set holds every device of the class that is installed, present or not.
constexpr uint32_t kDigcfPresent = 0x00000002;
// SetupDiGetDeviceRegistryPropertyW: the device's driver key below the class key,
// "{class guid}\NNNN", a REG_SZ.
constexpr uint32_t kSpdrpDriver = 0x00000009;

// The driver-key property is a REG_SZ (1).
constexpr uint32_t kPropertyTypeSz = 1;
// SetupDiOpenDevRegKey: the device's software key (its driver key), in the global scope.
constexpr uint32_t kDicsFlagGlobal = 0x00000001;
constexpr uint32_t kDiregDrv = 0x00000002;
constexpr uint32_t kKeyRead = 0x00020019;
// SetupDiCallClassInstaller: remove the device, its node and its keys together.
constexpr uint32_t kDifRemove = 0x00000005;

// Error codes the answers are read by.
constexpr int32_t kDeviceErrorSuccess = 0;
constexpr int32_t kDeviceErrorInvalidData = 13;          // the device has no such property
constexpr int32_t kDeviceErrorInsufficientBuffer = 122;  // the property does not fit; size says how much would
constexpr int32_t kDeviceErrorNoMoreItems = 259;         // past the last device of the set
constexpr int32_t kDeviceErrorAccessDenied = 5;          // the removal needs administrator rights
// ERROR_KEY_DOES_NOT_EXIST (0xE0000204): the device has no such registry key.
constexpr int32_t kDeviceErrorKeyDoesNotExist = static_cast<int32_t>(0xE0000204u);

// One device of a set as SetupDiEnumDeviceInfo describes it (SP_DEVINFO_DATA): size
// must hold the structure's size before the call.
struct DeviceInfoData {
    uint32_t size = sizeof(DeviceInfoData);
    DeviceClassGuid classGuid{};
    uint32_t devInst = 0;
    uintptr_t reserved = 0;
};

class DeviceSetupApi {
public:
    virtual ~DeviceSetupApi() = default;

    // SetupDiGetClassDevsW(classGuid, nullptr, nullptr, flags): the set, or 0 with the
    // error code in *error.
    virtual DeviceInfoSet GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) = 0;
    // SetupDiEnumDeviceInfo: device index of the set, or kDeviceErrorNoMoreItems past
    // the last one.
    virtual int32_t EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) = 0;
    // SetupDiGetDeviceRegistryPropertyW: bufferSize is the buffer's size in bytes;
    // *requiredSize gets the property's size in bytes, its terminator included.
    virtual int32_t GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property,
                                              uint32_t* type, uint8_t* buffer, uint32_t bufferSize,
                                              uint32_t* requiredSize) = 0;
    // SetupDiGetDeviceInstanceIdW: the device's instance ID, which names it in every set;
    // bufferChars and *requiredChars count characters, the terminator included.
    virtual int32_t GetDeviceInstanceId(DeviceInfoSet set, const DeviceInfoData& data, wchar_t* buffer,
                                        uint32_t bufferChars, uint32_t* requiredChars) = 0;
    // SetupDiOpenDevRegKey, asked only whether the key opens: 0 when it does (the key
    // is closed again at once), otherwise the error code.
    virtual int32_t OpenDevRegKey(DeviceInfoSet set, const DeviceInfoData& data, uint32_t scope, uint32_t keyType,
                                  uint32_t samDesired) = 0;
    // SetupDiCallClassInstaller(installFunction, set, &data): 0 or the error code.
    virtual int32_t CallClassInstaller(uint32_t installFunction, DeviceInfoSet set, const DeviceInfoData& data) = 0;
    // SetupDiDestroyDeviceInfoList.
    virtual void DestroyDeviceInfoList(DeviceInfoSet set) = 0;
};
