#include "stand_in/memory_registry.h"

// The code page: how the single-byte functions spell the registry's UTF-16 names, and
// read them back.

std::string MemoryRegistry::ToAnsi(const std::wstring& text) {
    return Spell(text);
}

std::wstring MemoryRegistry::FromAnsi(const std::string& text) {
    return Read(text);
}

std::string MemoryRegistry::Spell(const std::wstring& text) const {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        // NOLINTNEXTLINE(bugprone-signed-char-misuse): a wchar_t, which clang-tidy 14 takes for a char
        const auto c = static_cast<uint32_t>(wc);
        if (codePage_ == CodePage::Latin1) {
            out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c - 0x80 < 0x7E * 0xBF) {
            out.push_back(static_cast<char>(0x81 + (c - 0x80) / 0xBF));
            out.push_back(static_cast<char>(0x40 + (c - 0x80) % 0xBF));
        } else {
            out.push_back('?');
        }
    }
    return out;
}

std::wstring MemoryRegistry::Read(const std::string& text) const {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (codePage_ == CodePage::Latin1 || c < 0x80) {
            out.push_back(static_cast<wchar_t>(c));
        } else if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[++i]);
            out.push_back(static_cast<wchar_t>(0x80 + (c - 0x81) * 0xBF + (trail - 0x40)));
        } else {
            out.push_back(L'?');
        }
    }
    return out;
}
