#include "window/device_removal.h"

#include "window/adapter_presence.h"

namespace {

using Outcome = DeviceRemoval::Outcome;

DeviceRemoval Answered(int32_t rc) {
    if (rc == kDeviceErrorSuccess) return {Outcome::Removed, 0};
    return {rc == kDeviceErrorAccessDenied ? Outcome::Refused : Outcome::Failed, rc};
}

}  // namespace

DeviceRemoval RemoveAbsentDevice(DeviceSetupApi& api, const std::wstring& instanceId) {
    if (!ConfirmedNotPresent(api, instanceId)) return {Outcome::MayBePresent, 0};
    // Removed from a set listed without DIGCF_PRESENT: a device that is not present is
    // only in such a set.
    DeviceRemoval removal{Outcome::Gone, 0};
    const bool listed = ForEachDisplayDevice(api, 0, [&](DeviceInfoSet set, const DeviceInfoData& data) {
        std::wstring id;
        if (!ReadInstanceId(api, set, data, id)) return Visit::Failed;
        if (!SameIgnoringCase(id, instanceId)) return Visit::Next;
        removal = Answered(api.CallClassInstaller(kDifRemove, set, data));
        return Visit::Done;
    });
    // A listing cut short may have hidden the device: not known to be gone.
    if (!listed && removal.outcome == Outcome::Gone) return {Outcome::Failed, 0};
    return removal;
}

EntryDeviceRemoval RemoveEntryWithDevices(DeviceSetupApi& devices, RegistryApi& registry, const std::wstring& keyPath,
                                          const std::wstring& adapterName,
                                          const std::vector<std::wstring>& instanceIds) {
    EntryDeviceRemoval result;
    for (const std::wstring& id : instanceIds) {
        result.device = RemoveAbsentDevice(devices, id);
        if (result.device.outcome == Outcome::Removed) result.anyRemoved = true;
        if (result.device.outcome != Outcome::Removed && result.device.outcome != Outcome::Gone) return result;
    }
    result.devicesGone = true;
    result.key = RemoveEntry(registry, keyPath, adapterName);
    result.anyRemoved = result.anyRemoved || result.key.anyDeleted;
    return result;
}
