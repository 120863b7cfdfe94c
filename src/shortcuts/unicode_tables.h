#pragma once

#include <cstdint>
#include <span>

// Character data of the Basic Multilingual Plane, generated into
// unicode_tables.cpp by gen_unicode_tables.py.
namespace tilvane::unicode::tables {

struct Range {
    char16_t first, last;
};

// Code points first, first + stride, ... up to last map to themselves plus delta.
struct CaseRun {
    char16_t first, last;
    uint8_t stride;
    int32_t delta;
};

// A code point whose case mapping is longer than one unit; unused units are 0.
struct SpecialCase {
    char16_t from;
    char16_t to[3];
};

// Letters, marks, numbers, punctuation and symbols, in ascending order.
extern const std::span<const Range> kGraphic;
// Full upper- and lower-case mappings, in ascending order of their first code point.
extern const std::span<const CaseRun> kUpperRuns;
extern const std::span<const SpecialCase> kUpperSpecial;
extern const std::span<const CaseRun> kLowerRuns;
extern const std::span<const SpecialCase> kLowerSpecial;

}  // namespace tilvane::unicode::tables
