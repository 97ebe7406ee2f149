// Which adapter entries a device present now uses: the driver key that each present
// device of the Display class names, "{4D36E968-E325-11CE-BFC1-08002BE10318}\0000",
// against the entries' own key paths.
#pragma once

#include <string>
#include <vector>

#include "window/device_setup_api.h"

// The driver keys of the Display class's present devices, as the platform spells them.
// False when the platform could not tell: a call failed, a device's driver key could
// not be read, or no Display device is present at all. Every running Windows has one
// (the basic display adapter, at least), so an empty answer means the question went
// wrong, and taking it for "no entry is in use" would offer to delete them all.
bool PresentDisplayDriverKeys(DeviceSetupApi* api, std::vector<std::wstring>& driverKeys);

// Whether one of the driver keys names the entry at keyPath (below HKEY_LOCAL_MACHINE):
// its last two names, the class key's and the entry's, compared without regard to case,
// since the devices spell the class GUID in capitals and the class key's path need not.
bool UsedByAny(const std::vector<std::wstring>& driverKeys, const std::wstring& keyPath);
