#include "platform/sway/json.h"

#include <cmath>
#include <system_error>

#include "platform/number_text.h"

namespace tilvane::sway {

namespace {

const Json kNull;
const Json::Array kNoElements;
const Json::Object kNoMembers;

// Deeper than any tree a window manager sends; a peer that nests further is
// refused rather than allowed to exhaust the stack.
constexpr int kDeepestNesting = 256;

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<Json> document(std::string& error) {
        auto value = parseValue(0);
        skipSpace();
        if (value && pos_ != text_.size()) fail("text after the value");
        if (!error_.empty()) {
            error = error_ + " at offset " + std::to_string(pos_);
            return std::nullopt;
        }
        return value;
    }

private:
    std::optional<Json> fail(const char* why) {
        if (error_.empty()) error_ = why;
        return std::nullopt;
    }
    void skipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool take(char c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool takeWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    std::optional<Json> parseValue(int depth) {
        if (depth > kDeepestNesting) return fail("nested too deeply");
        skipSpace();
        if (pos_ >= text_.size()) return fail("unexpected end");
        char c = text_[pos_];
        if (c == '{') return parseObject(depth);
        if (c == '[') return parseArray(depth);
        if (c == '"') {
            auto s = parseString();
            if (!s) return std::nullopt;
            return Json(std::move(*s));
        }
        if (takeWord("true")) return Json(true);
        if (takeWord("false")) return Json(false);
        if (takeWord("null")) return Json();
        return parseNumber();
    }

    std::optional<Json> parseObject(int depth) {
        ++pos_;
        Json::Object members;
        if (take('}')) return Json(std::move(members));
        do {
            skipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a member name");
            auto key = parseString();
            if (!key) return std::nullopt;
            if (!take(':')) return fail("expected ':'");
            auto value = parseValue(depth + 1);
            if (!value) return std::nullopt;
            members.insert_or_assign(std::move(*key), std::move(*value));
        } while (take(','));
        if (!take('}')) return fail("expected ',' or '}'");
        return Json(std::move(members));
    }

    std::optional<Json> parseArray(int depth) {
        ++pos_;
        Json::Array elements;
        if (take(']')) return Json(std::move(elements));
        do {
            auto value = parseValue(depth + 1);
            if (!value) return std::nullopt;
            elements.push_back(std::move(*value));
        } while (take(','));
        if (!take(']')) return fail("expected ',' or ']'");
        return Json(std::move(elements));
    }

    std::optional<Json> parseNumber() {
        size_t start = pos_;
        auto digits = [&] {
            size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
            return pos_ > from;
        };
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        if (!digits()) return fail("expected a value");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (!digits()) return fail("expected digits after '.'");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (!digits()) return fail("expected an exponent");
        }
        auto read = number_text::read(text_.substr(start, pos_ - start));
        if (read.error != std::errc() || !std::isfinite(read.value)) return fail("number out of range");
        return Json(read.value);
    }

    std::optional<unsigned> hex4() {
        if (pos_ + 4 > text_.size()) return std::nullopt;
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= unsigned(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return v;
    }

    static void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }

    std::optional<std::string> parseString() {
        ++pos_;
        std::string out;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return failString("a control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    auto cp = hex4();
                    if (!cp) return failString("a bad \\u escape");
                    // A surrogate pair is one character; a lone half becomes U+FFFD.
                    if (*cp >= 0xD800 && *cp < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
                        size_t back = pos_;
                        pos_ += 2;
                        auto low = hex4();
                        if (low && *low >= 0xDC00 && *low < 0xE000) {
                            appendUtf8(out, 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00));
                            break;
                        }
                        pos_ = back;
                    }
                    appendUtf8(out, (*cp >= 0xD800 && *cp < 0xE000) ? 0xFFFD : *cp);
                    break;
                }
                default: return failString("a bad escape");
            }
        }
        return failString("an unterminated string");
    }
    std::optional<std::string> failString(const char* why) {
        fail(why);
        return std::nullopt;
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace

std::optional<Json> Json::parse(std::string_view text, std::string& error) {
    return Parser(text).document(error);
}

std::optional<bool> Json::boolean() const {
    if (auto b = std::get_if<bool>(&value_)) return *b;
    return std::nullopt;
}

std::optional<double> Json::number() const {
    if (auto d = std::get_if<double>(&value_)) return *d;
    return std::nullopt;
}

std::optional<std::string> Json::string() const {
    if (auto s = std::get_if<std::string>(&value_)) return *s;
    return std::nullopt;
}

const Json& Json::operator[](std::string_view key) const {
    const Object& object = members();
    auto found = object.find(key);
    return found == object.end() ? kNull : found->second;
}

const Json& Json::operator[](size_t index) const {
    const Array& array = elements();
    return index < array.size() ? array[index] : kNull;
}

const Json::Array& Json::elements() const {
    if (auto a = std::get_if<std::shared_ptr<Array>>(&value_)) return **a;
    return kNoElements;
}

const Json::Object& Json::members() const {
    if (auto o = std::get_if<std::shared_ptr<Object>>(&value_)) return **o;
    return kNoMembers;
}

std::string Json::quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static const char* hex = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[(c >> 4) & 0xF];
                    out += hex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace tilvane::sway
