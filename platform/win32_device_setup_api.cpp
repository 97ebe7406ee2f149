#include "platform/win32_device_setup_api.h"

#include <windows.h>

#include <cstring>

#include "platform/win32_dyn_calls.h"

namespace {

// The seam's device data is the platform's SP_DEVINFO_DATA, field for field.
static_assert(sizeof(DeviceInfoData) == sizeof(SP_DEVINFO_DATA), "SP_DEVINFO_DATA layout");
static_assert(sizeof(DeviceClassGuid) == sizeof(GUID), "GUID layout");

HDEVINFO AsSet(DeviceInfoSet set) {
    return reinterpret_cast<HDEVINFO>(set);
}

SP_DEVINFO_DATA ToPlatform(const DeviceInfoData& data) {
    SP_DEVINFO_DATA out{};
    out.cbSize = data.size;
    std::memcpy(&out.ClassGuid, &data.classGuid, sizeof(GUID));
    out.DevInst = data.devInst;
    out.Reserved = data.reserved;
    return out;
}

// Without the DLL or a function of it, every call fails as a missing procedure would.
constexpr int32_t kErrorProcNotFound = 127;

}  // namespace

DeviceInfoSet Win32DeviceSetupApi::GetClassDevs(const DeviceClassGuid& classGuid, uint32_t flags, int32_t* error) {
    LoadSetupCalls();
    if (DynSetupDiGetClassDevsW == nullptr) {
        *error = kErrorProcNotFound;
        return 0;
    }
    GUID guid;
    std::memcpy(&guid, &classGuid, sizeof(GUID));
    const HDEVINFO set = DynSetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE || set == nullptr) {
        *error = static_cast<int32_t>(GetLastError());
        return 0;
    }
    *error = 0;
    return reinterpret_cast<DeviceInfoSet>(set);
}

int32_t Win32DeviceSetupApi::EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceInfoData* data) {
    if (DynSetupDiEnumDeviceInfo == nullptr) return kErrorProcNotFound;
    SP_DEVINFO_DATA device = ToPlatform(*data);
    if (!DynSetupDiEnumDeviceInfo(AsSet(set), index, &device)) return static_cast<int32_t>(GetLastError());
    std::memcpy(&data->classGuid, &device.ClassGuid, sizeof(GUID));
    data->devInst = device.DevInst;
    data->reserved = device.Reserved;
    return 0;
}

int32_t Win32DeviceSetupApi::GetDeviceRegistryProperty(DeviceInfoSet set, const DeviceInfoData& data, uint32_t property,
                                                       uint32_t* type, uint8_t* buffer, uint32_t bufferSize,
                                                       uint32_t* requiredSize) {
    if (DynSetupDiGetDeviceRegistryPropertyW == nullptr) return kErrorProcNotFound;
    SP_DEVINFO_DATA device = ToPlatform(data);
    DWORD dataType = 0;
    DWORD required = 0;
    const BOOL ok =
        DynSetupDiGetDeviceRegistryPropertyW(AsSet(set), &device, property, &dataType, buffer, bufferSize, &required);
    const int32_t rc = ok ? 0 : static_cast<int32_t>(GetLastError());
    *type = dataType;
    *requiredSize = required;
    return rc;
}

int32_t Win32DeviceSetupApi::GetDeviceInstanceId(DeviceInfoSet set, const DeviceInfoData& data, wchar_t* buffer,
                                                 uint32_t bufferChars, uint32_t* requiredChars) {
    if (DynSetupDiGetDeviceInstanceIdW == nullptr) return kErrorProcNotFound;
    SP_DEVINFO_DATA device = ToPlatform(data);
    DWORD required = 0;
    const BOOL ok = DynSetupDiGetDeviceInstanceIdW(AsSet(set), &device, buffer, bufferChars, &required);
    *requiredChars = required;
    return ok ? 0 : static_cast<int32_t>(GetLastError());
}

int32_t Win32DeviceSetupApi::OpenDevRegKey(DeviceInfoSet set, const DeviceInfoData& data, uint32_t scope,
                                           uint32_t keyType, uint32_t samDesired) {
    if (DynSetupDiOpenDevRegKey == nullptr) return kErrorProcNotFound;
    SP_DEVINFO_DATA device = ToPlatform(data);
    const HKEY key = DynSetupDiOpenDevRegKey(AsSet(set), &device, scope, 0, keyType, samDesired);
    if (key == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE) || key == nullptr)
        return static_cast<int32_t>(GetLastError());
    RegCloseKey(key);
    return 0;
}

int32_t Win32DeviceSetupApi::CallClassInstaller(uint32_t installFunction, DeviceInfoSet set,
                                                const DeviceInfoData& data) {
    if (DynSetupDiCallClassInstaller == nullptr) return kErrorProcNotFound;
    SP_DEVINFO_DATA device = ToPlatform(data);
    return DynSetupDiCallClassInstaller(installFunction, AsSet(set), &device) ? 0
                                                                              : static_cast<int32_t>(GetLastError());
}

void Win32DeviceSetupApi::DestroyDeviceInfoList(DeviceInfoSet set) {
    if (DynSetupDiDestroyDeviceInfoList != nullptr) DynSetupDiDestroyDeviceInfoList(AsSet(set));
}
