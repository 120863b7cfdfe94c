#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

namespace tilvane::number_text {

// Numbers as files and pictures hold them: a point before the decimals,
// whatever language the user's desktop uses. The C library's printf and
// strtod follow the user's numeric locale once the desktop application has
// set it, and write "1,5" in German, French or Russian.

// The shortest text that reads back as the same number: "1920", "0.35", "1e+20".
inline std::string format(double value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Reads a number at the start of the text, in the form format writes (a
// leading "+" too); where it ends. Out of range counts as read, with the
// error set as std::from_chars sets it.
struct Read {
    double value = 0;
    const char* end = nullptr;  // the text's start when no number is there
    std::errc error = std::errc::invalid_argument;
};

inline Read read(std::string_view text) {
    Read read;
    read.end = text.data();
    std::string_view digits = text;
    // from_chars takes no sign but the minus; a plus before a number is its own.
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+') digits.remove_prefix(1);
    auto result = std::from_chars(digits.data(), digits.data() + digits.size(), read.value);
    if (result.ec == std::errc::invalid_argument) return read;
    read.end = result.ptr;
    read.error = result.ec;
    return read;
}

}  // namespace tilvane::number_text
