// Which devices of the Display class use which adapter entries: each device names its
// entry as its driver key, "{4d36e968-e325-11ce-bfc1-08002be10318}\0000", and a device
// that is not connected now (a dock's adapter while unplugged, the remote-desktop
// adapter outside a session) still exists and still names its entry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "window/device_setup_api.h"

// One device of the Display class as the platform lists it.
struct DisplayDevice {
    std::wstring instanceId;
    std::wstring driverKey;  // empty: the device has no driver key
    bool present = false;
};

// Every device of the Display class, present or not, with its instance ID and its
// driver key. False when the platform could not tell: a call failed, an ID or a driver
// key could not be read whole, or no Display device is present at all. Every running
// Windows has one (the basic display adapter, at least), so an empty answer means the
// question went wrong, and taking it for "no entry is in use" would offer to delete
// them all.
bool DisplayDevices(DeviceSetupApi* api, std::vector<DisplayDevice>& devices);

enum class EntryUse {
    InUse,           // a present device names it
    OfAbsentDevice,  // only devices that are not present name it
    NamedByNone,     // no device of the class names it
};

// How the devices use the entry at keyPath (below HKEY_LOCAL_MACHINE), by its last two
// names, the class key's and the entry's, compared without regard to case: Windows
// spells the class GUID of a driver key in lower case, Wine in capitals. absentIds, when
// given, gets the instance IDs of the devices not present that name it.
EntryUse UseOf(const std::vector<DisplayDevice>& devices, const std::wstring& keyPath,
               std::vector<std::wstring>* absentIds = nullptr);

// The one judge of whether a device may be removed: true only when a fresh listing of
// the present devices answers whole and holds no device of this instance ID.
bool ConfirmedNotPresent(DeviceSetupApi& api, const std::wstring& instanceId);

// Walks the Display devices of a set listed with flags, destroying the set at the end.
// The visitor answers whether to go on; false when a call or the visitor failed.
enum class Visit { Next, Done, Failed };
bool ForEachDisplayDevice(DeviceSetupApi& api, uint32_t flags,
                          const std::function<Visit(DeviceInfoSet, const DeviceInfoData&)>& visit);

// The device's instance ID; false when it cannot be read or is empty.
bool ReadInstanceId(DeviceSetupApi& api, DeviceInfoSet set, const DeviceInfoData& device, std::wstring& instanceId);

// Device instance IDs and driver keys compare without regard to case.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);
