// Builds a Display class key from the fuzzer's bytes (any value types and sizes,
// long and odd names, names outside the code page, deep and wide trees, links to keys
// outside the entry, refused deletions), then runs the scan, the details of a chosen row
// and its removal, or "Remove All" with some entries in use, on the in-memory registry.
// Nothing may crash or trip a sanitizer, every key opened is closed again, and a removal
// changes nothing outside the selected entry's own key tree, or the unused entries'.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "stand_in/memory_devices.h"
#include "stand_in/memory_registry.h"
#include "tests/display_class_key.h"
#include "tests/unit/fake_toolkit.h"
#include "window/frm_list.h"

namespace {

const std::string kClass = DisplayClassKeyA();
const char* const kValueNames[] = {"DriverDesc",    "HardwareInformation.AdapterString",
                                   "DriverDate",    "HardwareInformation.BiosString",
                                   "DriverVersion", "ProviderName"};

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::vector<uint8_t> Bytes(size_t n) {
        std::vector<uint8_t> out;
        while (n-- > 0 && !Done()) out.push_back(Byte());
        return out;
    }
    // A key name: never empty, no backslash or NUL (the platform allows neither),
    // sometimes long.
    std::string Name() {
        const uint8_t kind = Byte();
        size_t length = kind & 0x0F;
        if (kind & 0x80) length = 200 + (kind & 0x3F);
        std::string name;
        for (size_t i = 0; i < length; ++i) {
            char c = static_cast<char>(Byte());
            if (c == '\\' || c == '\0') c = '_';
            name.push_back(c);
        }
        return name.empty() ? "0" : name;
    }
    // A name with characters outside the single-byte code page (Greek and CJK), which
    // the A functions can only spell as '?', and sometimes a literal '?' beside them.
    std::wstring WideName() {
        const std::string bytes = Name();
        std::wstring name;
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x40)
                name.push_back(L'?');
            else if (b < 0xA0)
                name.push_back(static_cast<wchar_t>(0x0391 + (b & 0x0F)));
            else
                name.push_back(static_cast<wchar_t>(0x4E00 + b));
        }
        return name;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

wchar_t UpperChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

// Whether path is key or lies below it, compared case-insensitively.
bool InTree(const std::wstring& path, const std::wstring& key) {
    if (path.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (UpperChar(path[i]) != UpperChar(key[i])) return false;
    return path.size() == key.size() || path[key.size()] == L'\\';
}

// Every key by its name as the registry holds it, with its values; a link key counts
// as itself (its target is not entered), so a removal that went through a link shows.
using Snapshot = std::map<std::wstring, std::vector<std::pair<std::string, MemoryRegistry::StoredValue>>>;

Snapshot Take(const MemoryRegistry& registry, const std::vector<std::wstring>& excluded) {
    Snapshot snapshot;
    for (const std::wstring& path : registry.AllKeysWide(kHkeyLocalMachine)) {
        const bool outside =
            std::none_of(excluded.begin(), excluded.end(), [&](const std::wstring& key) { return InTree(path, key); });
        if (outside) snapshot[path] = registry.Values(kHkeyLocalMachine, path);
    }
    return snapshot;
}

void Build(Input& in, MemoryRegistry& registry) {
    registry.AddKey(kHkeyLocalMachine, kClass);
    registry.AddKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Class\\Sibling");
    std::vector<std::wstring> keys{registry.FromAnsi(kClass), L"SYSTEM\\CurrentControlSet\\Control\\Class\\Sibling"};
    while (!in.Done() && keys.size() < 400) {
        const uint8_t op = in.Byte();
        const std::wstring parent = keys[in.Byte() % keys.size()];
        // Seeding by single-byte path spells a wide name as '?': that makes a sibling
        // named like the spelling, which is what it should be.
        const std::string ansiParent = registry.ToAnsi(parent);
        switch (op % 4) {
            case 0:
            case 1: {  // a subkey, sometimes several levels at once, sometimes in any script
                std::wstring path = parent + L"\\" + ((op & 0x40) ? in.WideName() : registry.FromAnsi(in.Name()));
                if (op & 0x10) path += L"\\" + registry.FromAnsi(in.Name());
                registry.AddKey(kHkeyLocalMachine, path);
                keys.push_back(path);
                break;
            }
            case 2: {  // a value of any type and size
                const std::string name = (op & 0x20) ? in.Name() : kValueNames[in.Byte() % 6];
                uint32_t type = in.Byte();
                if (op & 0x40) type |= static_cast<uint32_t>(in.Byte()) << 8;
                registry.SetValue(kHkeyLocalMachine, ansiParent, name, type, in.Bytes(in.Byte() % 40));
                break;
            }
            case 3:
                if ((op & 0x30) == 0x30) {  // a link to any key so far: the class key, another entry, an ancestor
                    const std::wstring target = keys[in.Byte() % keys.size()];
                    registry.AddLink(kHkeyLocalMachine, parent + L"\\" + registry.FromAnsi(in.Name()),
                                     L"\\Registry\\Machine\\" + target);
                } else {  // a key the removal may not delete or enumerate
                    registry.Refuse((op & 0x08) ? MemoryRegistry::Op::EnumKey : MemoryRegistry::Op::DeleteKey,
                                    kHkeyLocalMachine, ansiParent);
                }
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    MemoryRegistry registry;
    const uint8_t row = in.Byte();
    Build(in, registry);

    // Present devices name some of the listed entries, by their bits of the first byte;
    // devices not connected name some of the others.
    MemoryDevices devices;
    fake::FakeWindow window;
    window.toolkit.unscriptedYesNo = kAnswerYes;
    frmList form(registry, window.toolkit, window.controls, &devices);
    window.Attach(form);
    form.Form_Load();
    if (registry.OpenHandleCount() != 0) std::abort();
    if (form.AdapterCount == 0) return 0;

    // The selected entry's tree, or with "Remove All" the unused entries' trees, may
    // change; nothing else may, an entry in use included.
    std::vector<std::wstring> removable;
    if (row & 0x80) {
        devices.devices.push_back({L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\NONE", true});
        for (int32_t i = 1; i <= form.AdapterCount; ++i) {
            const std::wstring& keyPath = form.Adapters(i).KeyPath;
            const std::wstring entry = keyPath.substr(keyPath.rfind(L'\\') + 1);
            if (row & (1 << (i % 7))) {
                devices.devices.push_back({L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\" + entry, true});
            } else {
                // Every other unused entry is a disconnected device's: it goes with its device.
                if (i % 2) devices.devices.push_back({L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\" + entry, false});
                removable.push_back(keyPath);
            }
        }
    }
    const int32_t index = row % form.AdapterCount;
    if (!(row & 0x80)) removable.push_back(form.Adapters(index + 1).KeyPath);
    const Snapshot before = Take(registry, removable);
    if (row & 0x80) {
        form.RemoveAll();
    } else {
        window.List1.SetListIndex(index);
        form.RemoveAdapter();
    }
    if (registry.OpenHandleCount() != 0 || devices.OpenSetCount() != 0) std::abort();
    if (!(Take(registry, removable) == before)) std::abort();
    // The restart question follows exactly the removals that deleted a key or a device.
    bool deleted = devices.RemoveCount() > 0;
    for (const auto& call : registry.DeleteLog()) deleted = deleted || call.result == kErrorSuccess;
    if (form.RegistryChanged != (deleted ? 1 : 0)) std::abort();
    return 0;
}
