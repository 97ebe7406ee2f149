// The removal of an entry whose only devices are not connected now: the entry is part of
// each device's installation state, so it goes with its devices through the platform's
// device removal, which takes a device's node and keys together. Windows sets such a
// device up afresh when it is connected again.
#pragma once

#include <string>
#include <vector>

#include "registry/registry_api.h"
#include "window/device_setup_api.h"
#include "window/entry_removal.h"

struct DeviceRemoval {
    enum class Outcome {
        Removed,       // the platform removed the device
        Gone,          // the device was no longer there to remove
        MayBePresent,  // not confirmed absent right before the call: left alone
        Refused,       // the platform refused it a right
        Failed,        // the platform failed it for another reason, or it could not be found
    };
    Outcome outcome = Outcome::Failed;
    int32_t error = 0;  // the platform's code, for Refused and Failed
};

// Removes the device of this instance ID, listed among every device of the class,
// present or not, once ConfirmedNotPresent has said that it is not present.
DeviceRemoval RemoveAbsentDevice(DeviceSetupApi& api, const std::wstring& instanceId);

struct EntryDeviceRemoval {
    DeviceRemoval device;  // of the last device tried
    EntryRemoval key;      // of the entry's key afterwards, once every device went
    bool devicesGone = false;
    bool anyRemoved = false;  // a device was removed or a key deleted
};

// Removes each device, then checks the entry: a key that the platform left behind and
// that still names the adapter goes as a stale entry does.
EntryDeviceRemoval RemoveEntryWithDevices(DeviceSetupApi& devices, RegistryApi& registry, const std::wstring& keyPath,
                                          const std::wstring& adapterName,
                                          const std::vector<std::wstring>& instanceIds);
