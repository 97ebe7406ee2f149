// The adapter manager window: the inventory of display-adapter entries below the
// Display class key, the details of the selected entry, its removal, start-up,
// closing with the restart question, the size rule and the web link. Plain C++: it
// reaches the registry through CLS_Registry and the screen through the toolkit seam.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/based_array.h"
#include "base/variant.h"
#include "registry/cls_registry.h"
#include "registry/registry_api.h"
#include "window/adapter_name.h"
#include "window/adapter_presence.h"
#include "window/adapter_record.h"
#include "window/device_setup_api.h"
#include "window/display_class_key.h"
#include "window/guarded.h"
#include "window/toolkit.h"
#include "window/unused_entries.h"

class frmList : public FormEvents {
public:
    // devices answers which adapters are present; without it "Remove All" cannot tell
    // which entries are unused and deletes nothing.
    frmList(RegistryApi& registryApi, Toolkit& toolkit, FrmListControls& controls, DeviceSetupApi* devices = nullptr);

    // Rebuilds the inventory from the registry, refills the list, puts the selection
    // back on the same row position and writes the count line. Shows every failure
    // in a message box and goes on.
    void FillList();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload() override;
    void List1_Click() override;
    void Command1_Click() override;
    void Command2_Click() override;
    void Command3_Click() override;
    void Label2_Click() override;
    void Image1_Click() override;

    // Deletes the selected entry's key with every key below it, after a Yes: only while
    // the key still holds the entry the user confirmed, and only when every key of its
    // tree may be deleted, so that an entry goes whole or stays whole.
    void RemoveAdapter();
    // Removes, after one Yes, every listed entry that no device present now uses, and
    // reports once: an entry that no device names as the removal of a single entry
    // deletes it, one of a device that is not connected now with its device.
    void RemoveAll();

    // The inventory: elements 1 to AdapterCount are valid. After a scan that found
    // nothing the array still holds one empty element.
    BasedArray<AdapterRecord> Adapters;
    int32_t AdapterCount = 0;
    // 1 once a removal has deleted at least one key.
    int32_t RegistryChanged = 0;
    // The window's outer size at the end of loading, in twips; 0 until then.
    int32_t InitialWidth = 0;
    int32_t InitialHeight = 0;
    // The scan's registry object, replaced by every scan.
    std::shared_ptr<CLS_Registry> Registry;

private:
    CLS_Registry& WindowRegistry() const;
    void ScanSubkey(const NameArray& names, int32_t i, Guarded& guard);
    void ReadOptionalValue(const wchar_t* valueName, std::wstring AdapterRecord::*field, Guarded& guard);
    void WriteCountCaption(Guarded& guard);
    void AppendDetailLine(std::wstring& details, const wchar_t* label, int32_t index,
                          std::wstring AdapterRecord::*field, Guarded& guard) const;
    bool SelectedRecordIndex(int32_t& index);
    static std::wstring ConfirmationText(const std::wstring& adapterName);
    bool AskDevices(std::vector<DisplayDevice>& devices, Guarded& guard);
    void RemoveUnused(const AdapterRecord& record, const std::vector<DisplayDevice>& devices, RemoveAllReport& report);

    RegistryApi& registryApi_;
    Toolkit& toolkit_;
    FrmListControls& controls_;
    DeviceSetupApi* devices_;
    bool restartAsked_ = false;
};
