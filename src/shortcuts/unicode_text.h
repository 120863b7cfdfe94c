#pragma once

#include <string>
#include <string_view>

// The few text operations key texts need: the character class that a
// printable key text must consist of, case conversion, and UTF-8/UTF-16.
namespace tilvane::unicode {

// A letter, mark, number, punctuation or symbol (general categories L, M, N,
// P, S). Controls, spaces, surrogates, private-use and unassigned units are not.
bool isLetterMarkNumberPunctuationOrSymbol(char16_t unit);

// Full case mappings of each unit (ß becomes SS); surrogates pass unchanged.
std::u16string toUpper(std::u16string_view text);
std::u16string toLower(std::u16string_view text);

// Ill-formed input (unpaired surrogates, bad UTF-8) becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

}  // namespace tilvane::unicode
