#include "app/printable_text.h"

#include <cstdio>

#include "platform/utf8.h"

namespace tilvane {

std::string printableText(std::string_view text, bool quoted) {
    std::string out;
    if (quoted) out += '"';
    for (size_t at = 0; at < text.size();) {
        size_t start = at;
        auto c = utf8::next(text, at);
        char escape[16];
        if (!c) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[start]));
            out += escape;
        } else if (*c == '\n') {
            out += "\\n";
        } else if (*c == '\t') {
            out += "\\t";
        } else if (*c == '\r') {
            out += "\\r";
        } else if (utf8::isControl(*c)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(*c));
            out += escape;
        } else if (quoted && (*c == '"' || *c == '\\')) {
            out += '\\';
            out += static_cast<char>(*c);
        } else {
            out.append(text.substr(start, at - start));
        }
    }
    if (quoted) out += '"';
    return out;
}

bool isPrintableAsItIs(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        auto c = utf8::next(text, at);
        if (!c || utf8::isControl(*c)) return false;
    }
    return true;
}

}  // namespace tilvane
