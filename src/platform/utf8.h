#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tilvane::utf8 {

// The character that starts at `at`, moving `at` past it; none (and `at`
// moved by one byte) for a byte that does not start a well-formed UTF-8
// sequence: overlong forms, surrogates and values above U+10FFFF included.
inline std::optional<char32_t> next(std::string_view text, size_t& at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    char32_t c = lead & (lead >= 0xF0 ? 0x07 : lead >= 0xE0 ? 0x0F : 0x1F);
    bool wellFormed = length > 0 && lead <= 0xF4 && at + length <= text.size();
    for (size_t i = 1; wellFormed && i < length; ++i) {
        wellFormed = (byte(at + i) & 0xC0) == 0x80;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!wellFormed || c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++at;
        return std::nullopt;
    }
    at += length;
    return c;
}

inline bool isWellFormed(std::string_view text) {
    for (size_t at = 0; at < text.size();)
        if (!next(text, at)) return false;
    return true;
}

// C0 and C1 control characters and DEL: they move a terminal's cursor, change
// its colours or ring its bell when printed as they are.
inline bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace tilvane::utf8
