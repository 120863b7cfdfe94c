#include "shortcuts/shortcut_text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "shortcuts/unicode_text.h"

namespace tilvane {

namespace {

constexpr const char* kMissingText = "XXX";

struct TextState {
    bool resolved = false;
    StringsTable table;
    std::vector<std::function<std::vector<std::filesystem::path>()>> directories;
};

TextState& state() {
    static TextState s;
    return s;
}

std::optional<StringsTable> readStringsFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parseStringsFile(text.str());
}

std::vector<std::filesystem::path> candidateDirectories() {
    std::vector<std::filesystem::path> dirs;
    if (const char* dir = std::getenv("TILVANE_RESOURCE_DIR"); dir && *dir) dirs.emplace_back(dir);
    for (const auto& directories : state().directories)
        for (auto& dir : directories()) dirs.push_back(std::move(dir));
    if (const char* source = std::getenv("TILVANE_SOURCE_DIR"); source && *source)
        dirs.push_back(std::filesystem::path(source) / "resources");
    // The source tree this file was built from, for runs from the build tree.
    dirs.push_back(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources");
    return dirs;
}

void resolve() {
    TextState& s = state();
    if (s.resolved) return;
    s.resolved = true;
    for (const auto& dir : candidateDirectories()) {
        if (auto table = readStringsFile(shortcutStringsFile(dir))) {
            s.table = std::move(*table);
            return;
        }
    }
}

class StringsParser {
public:
    explicit StringsParser(std::string_view text) : text_(text) {}

    std::optional<StringsTable> parse() {
        StringsTable table;
        // A UTF-8 byte-order mark may lead the file.
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
        for (;;) {
            if (!skipSpaceAndComments()) return std::nullopt;
            if (pos_ >= text_.size()) return table;
            auto key = quoted();
            if (!key || !skipSpaceAndComments() || !expect('=') || !skipSpaceAndComments()) return std::nullopt;
            auto value = quoted();
            if (!value || !skipSpaceAndComments() || !expect(';')) return std::nullopt;
            table[*key] = *value;
        }
    }

private:
    bool skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "//") {
                auto end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(pos_, 2) == "/*") {
                auto end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) return false;
                pos_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool expect(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    std::optional<std::string> quoted() {
        if (!expect('"')) return std::nullopt;
        std::string out;
        std::u16string pendingUnits;  // \U escapes, which may form surrogate pairs
        auto flushUnits = [&] {
            out += unicode::toUtf8(pendingUnits);
            pendingUnits.clear();
        };
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') {
                flushUnits();
                return out;
            }
            if (c != '\\') {
                flushUnits();
                out.push_back(c);
                continue;
            }
            if (pos_ >= text_.size()) return std::nullopt;
            char e = text_[pos_++];
            if (e == 'U' || e == 'u') {
                if (pos_ + 4 > text_.size()) return std::nullopt;
                char16_t unit = 0;
                for (int k = 0; k < 4; ++k) {
                    int d = hexDigit(text_[pos_ + k]);
                    if (d < 0) return std::nullopt;
                    unit = static_cast<char16_t>(unit * 16 + d);
                }
                pos_ += 4;
                pendingUnits.push_back(unit);
                continue;
            }
            flushUnits();
            switch (e) {
                case 'n': out.push_back('\n'); break;
                case 't': out.push_back('\t'); break;
                case 'r': out.push_back('\r'); break;
                default: out.push_back(e); break;  // \" \\ \' and any other character stand for themselves
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

std::filesystem::path shortcutStringsFile(const std::filesystem::path& resourceDirectory) {
    return resourceDirectory / "Shortcut.bundle" / "en.lproj" / "Localizable.strings";
}

std::optional<StringsTable> parseStringsFile(std::string_view text) {
    return StringsParser(text).parse();
}

void addShortcutResourceDirectories(std::function<std::vector<std::filesystem::path>()> directories) {
    state().directories.push_back(std::move(directories));
}

void setShortcutStringsTable(std::optional<StringsTable> table) {
    TextState& s = state();
    s.resolved = table.has_value();
    s.table = table ? std::move(*table) : StringsTable{};
}

std::string ShortcutText(std::string_view key, std::string_view /*comment*/) {
    resolve();
    const StringsTable& table = state().table;
    auto it = table.find(std::string(key));
    return it == table.end() ? kMissingText : it->second;
}

}  // namespace tilvane
