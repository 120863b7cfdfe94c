#include "shortcuts/unicode_text.h"

#include <algorithm>

#include "shortcuts/unicode_tables.h"

namespace tilvane::unicode {

namespace {

void appendCaseMapped(std::u16string& out, char16_t unit, std::span<const tables::CaseRun> runs,
                      std::span<const tables::SpecialCase> special) {
    auto s = std::lower_bound(special.begin(), special.end(), unit,
                              [](const tables::SpecialCase& c, char16_t u) { return c.from < u; });
    if (s != special.end() && s->from == unit) {
        for (char16_t mapped : s->to)
            if (mapped) out.push_back(mapped);
        return;
    }
    // The last run that starts at or before the unit.
    auto r = std::upper_bound(runs.begin(), runs.end(), unit,
                              [](char16_t u, const tables::CaseRun& run) { return u < run.first; });
    if (r != runs.begin()) {
        --r;
        if (unit <= r->last && (unit - r->first) % r->stride == 0) {
            out.push_back(static_cast<char16_t>(unit + r->delta));
            return;
        }
    }
    out.push_back(unit);
}

std::u16string caseMapped(std::u16string_view text, std::span<const tables::CaseRun> runs,
                          std::span<const tables::SpecialCase> special) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t unit : text) appendCaseMapped(out, unit, runs, special);
    return out;
}

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

}  // namespace

bool isLetterMarkNumberPunctuationOrSymbol(char16_t unit) {
    auto r = std::upper_bound(tables::kGraphic.begin(), tables::kGraphic.end(), unit,
                              [](char16_t u, const tables::Range& range) { return u < range.first; });
    if (r == tables::kGraphic.begin()) return false;
    --r;
    return unit <= r->last;
}

std::u16string toUpper(std::u16string_view text) {
    return caseMapped(text, tables::kUpperRuns, tables::kUpperSpecial);
}

std::u16string toLower(std::u16string_view text) {
    return caseMapped(text, tables::kLowerRuns, tables::kLowerSpecial);
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
        if (!valid) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        appendUtf16(out, c);
        i += length;
    }
    return out;
}

}  // namespace tilvane::unicode
