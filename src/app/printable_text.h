#pragma once

#include <string>
#include <string_view>

namespace tilvane {

// Text as it may go to a terminal: control characters written as escapes
// (\n, \t, \r, \u001b) and bytes that are not UTF-8 as \xff, so that a stored
// value or a typed argument can never move the cursor, change colours or
// ring the bell. Quoted, it is put in double quotes with '"' and '\' escaped
// too, so that it reads back unambiguously.
std::string printableText(std::string_view text, bool quoted = false);

// Whether the text prints as it is: UTF-8 without control characters.
bool isPrintableAsItIs(std::string_view text);

}  // namespace tilvane
