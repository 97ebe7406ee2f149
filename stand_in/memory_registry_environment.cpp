#include "stand_in/memory_registry.h"

#include <cstring>

#include "stand_in/memory_registry_internal.h"

// The process around the registry: its environment, expanded as the single-byte
// function does, and the program's name.

namespace {

std::string UpperAscii(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return out;
}

}  // namespace

uint32_t MemoryRegistry::ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) {
    if (beforeExpand_) {
        // A copy: the hook may replace itself.
        const std::function<void(int)> hook = beforeExpand_;
        hook(++expandCalls_);
    }
    if (CheckPath(Op::Expand, 0, L"", 0) != kErrorSuccess) return 0;
    std::string out;
    for (size_t i = 0; i < source.size(); ++i) {
        const size_t close = source[i] == '%' ? source.find('%', i + 1) : std::string::npos;
        if (close != std::string::npos) {
            auto it = environment_.find(UpperAscii(source.substr(i + 1, close - i - 1)));
            if (it != environment_.end()) {
                out += it->second;
                i = close;
                continue;
            }
        }
        out.push_back(source[i]);
    }
    // The size of the text with its terminator (and, told so, the spare byte) answers a
    // size query and a buffer too small. The single-byte function wants one byte more
    // than the text and its terminator: a buffer of exactly that size gets nothing.
    const auto needed = static_cast<uint32_t>(out.size() + 1);
    const uint32_t answer = expandCountsSpareByte_ ? needed + 1 : needed;
    if (destination && size >= needed + 1) {
        std::memcpy(destination, out.c_str(), needed);
        return needed;
    }
    return answer;
}

std::wstring MemoryRegistry::ExecutableBaseName() {
    return exeName_;
}

void MemoryRegistry::BeforeExpand(std::function<void(int call)> hook) {
    beforeExpand_ = std::move(hook);
    expandCalls_ = 0;
}

void MemoryRegistry::SetEnvironment(const std::string& name, const std::string& value) {
    environment_[UpperAscii(name)] = value;
}
