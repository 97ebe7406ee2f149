// Builds a Display class key from the fuzzer's bytes (any value types and sizes,
// long and odd names, deep and wide trees, refused deletions), then runs the scan,
// the details of a chosen row and its removal on the in-memory registry. Nothing may
// crash or trip a sanitizer, every key opened is closed again, and a removal changes
// nothing outside the selected entry's own key tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "registry/memory_registry.h"
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

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool Upper(char a, char b) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return up(a) == up(b);
}

// Whether path is key or lies below it, compared case-insensitively.
bool InTree(const std::string& path, const std::string& key) {
    if (path.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (!Upper(path[i], key[i])) return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

using Snapshot = std::map<std::string, std::vector<std::pair<std::string, MemoryRegistry::StoredValue>>>;

Snapshot Take(const MemoryRegistry& registry, const std::string& exclude) {
    Snapshot snapshot;
    for (const std::string& path : registry.AllKeys(kHkeyLocalMachine))
        if (exclude.empty() || !InTree(path, exclude)) snapshot[path] = registry.Values(kHkeyLocalMachine, path);
    return snapshot;
}

void Build(Input& in, MemoryRegistry& registry) {
    registry.AddKey(kHkeyLocalMachine, kClass);
    registry.AddKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Class\\Sibling");
    std::vector<std::string> keys{kClass};
    while (!in.Done() && keys.size() < 400) {
        const uint8_t op = in.Byte();
        const std::string& parent = keys[in.Byte() % keys.size()];
        switch (op % 4) {
            case 0:
            case 1: {  // a subkey, sometimes several levels at once
                std::string path = parent + "\\" + in.Name();
                if (op & 0x10) path += "\\" + in.Name();
                registry.AddKey(kHkeyLocalMachine, path);
                keys.push_back(path);
                break;
            }
            case 2: {  // a value of any type and size
                const std::string name = (op & 0x20) ? in.Name() : kValueNames[in.Byte() % 6];
                uint32_t type = in.Byte();
                if (op & 0x40) type |= static_cast<uint32_t>(in.Byte()) << 8;
                registry.SetValue(kHkeyLocalMachine, parent, name, type, in.Bytes(in.Byte() % 40));
                break;
            }
            case 3:  // a key the removal may not delete or enumerate
                registry.Refuse((op & 0x08) ? MemoryRegistry::Op::EnumKey : MemoryRegistry::Op::DeleteKey,
                                kHkeyLocalMachine, parent);
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

    fake::FakeWindow window;
    window.toolkit.unscriptedYesNo = kAnswerYes;
    frmList form(registry, window.toolkit, window.controls);
    window.Attach(form);
    form.Form_Load();
    if (registry.OpenHandleCount() != 0) std::abort();
    if (form.AdapterCount == 0) return 0;

    const int32_t index = row % form.AdapterCount;
    window.List1.SetListIndex(index);
    const std::wstring keyPath = form.Adapters(index + 1).KeyPath;
    const std::string target = registry.ToAnsi(keyPath);
    const Snapshot before = Take(registry, target);
    form.RemoveAdapter();
    if (registry.OpenHandleCount() != 0) std::abort();
    if (!(Take(registry, target) == before)) std::abort();
    // The restart question follows exactly the removals that deleted a key.
    bool deleted = false;
    for (const auto& call : registry.DeleteLog()) deleted = deleted || call.result == kErrorSuccess;
    if (form.RegistryChanged != (deleted ? 1 : 0)) std::abort();
    return 0;
}
