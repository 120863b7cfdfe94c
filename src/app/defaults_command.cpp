#include "app/defaults_command.h"

#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <sstream>

#include "app/action_table.h"
#include "app/printable_text.h"
#include "platform/number_text.h"
#include "platform/settings_keys.h"
#include "platform/utf8.h"
#include "shortcuts/key_names.h"
#include "shortcuts/shortcut.h"

namespace tilvane {
namespace {

constexpr std::array<std::string_view, 26> kBooleanKeys{
    settings_key::kEnableShotcuts,
    settings_key::kHideDocIcon,
    settings_key::kWindowMovingEnabled,
    settings_key::kWindowResizingEnabled,
    settings_key::kWMoveSizeEnabledBrigToFront,
    settings_key::kWMoveF,
    settings_key::kWMoveShift,
    settings_key::kWMoveOption,
    settings_key::kWMoveControl,
    settings_key::kWMoveCommand,
    settings_key::kWSizeF,
    settings_key::kWSizeShift,
    settings_key::kWSizeOption,
    settings_key::kWSizeControl,
    settings_key::kWSizeCommand,
    settings_key::kFourCornerResizing,
    settings_key::kEnableSwipeGestures,
    settings_key::kSwipeFn,
    settings_key::kSwipeShift,
    settings_key::kSwipeOption,
    settings_key::kSwipeControl,
    settings_key::kSwipeCommand,
    settings_key::kSUUpdaterChecksForBetaUpdates,
    settings_key::kCMTEnableAutomaticChecks,
    settings_key::kMoveToApplicationsFolderAlertSuppress,
    settings_key::kSnapToEdgeEnabled,
};

constexpr std::array<std::string_view, 3> kTextKeys{
    settings_key::kSUFeedURL,
    settings_key::kPreferencesSelectedIdentifierView,
    settings_key::kPreferencesFrameTopLeft,
};

constexpr std::string_view kCommand = "tilvane defaults";

void printUsage(std::ostream& out) {
    out << "usage: tilvane defaults read [KEY]\n"
           "       tilvane defaults write KEY -bool|-int|-float|-string VALUE\n"
           "       tilvane defaults delete KEY\n"
           "\n"
           "Reads and changes the settings of the running program and of its next start.\n"
           "Booleans take true, false, yes, no, 1 or 0. Shortcuts are changed with\n"
           "'tilvane shortcuts set'.\n"
           "\n"
           "Text may hold tab and newline but no other control characters.\n"
           "\n"
           "Exit status: 0 done; 1 the key holds no value, or the settings could not be\n"
           "read or saved; 2 bad usage, unknown key, or a value that does not fit the key.\n"
           "\n"
           "Boolean keys:\n";
    for (auto key : kBooleanKeys) out << "  " << key << "\n";
    out << "Text keys:\n";
    for (auto key : kTextKeys) out << "  " << key << "\n";
    out << "  Preferences <pane> Frame\n"
           "Shortcut keys:\n";
    for (const auto& action : kActions) out << "  " << action.settingsKey << "\n";
}

bool needsQuotes(std::string_view text) {
    if (text.empty()) return true;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '_' && c != '.' && c != '-') return true;
    }
    return false;
}

void printQuoted(std::ostream& out, std::string_view text) {
    out << (needsQuotes(text) ? printableText(text, true) : std::string(text));
}

// A word the user typed, for a message.
std::string quotedWord(std::string_view text) {
    // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about "text" + std::string.
    std::string quoted("'");
    return quoted.append(printableText(text)).append("'");
}

void printReal(std::ostream& out, double d) {
    if (std::isnan(d)) {
        out << "nan";
        return;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    out << std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
}

// Prints a value in the brace-and-parenthesis style of the defaults tools.
// Top-level text is printed as it is; text inside a collection is quoted
// where needed.
void printValue(std::ostream& out, const SettingsValue& value, int indent, bool topLevel) {
    std::string pad(static_cast<size_t>(indent) * 4, ' ');
    std::string innerPad = pad + "    ";
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                out << (v ? 1 : 0);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                out << v;
            } else if constexpr (std::is_same_v<T, double>) {
                printReal(out, v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                // Text on its own prints as it is, unless it would reach the terminal as control characters.
                if (topLevel && isPrintableAsItIs(v))
                    out << v;
                else
                    printQuoted(out, v);
            } else if constexpr (std::is_same_v<T, SettingsData>) {
                out << "<data " << v.size() << (v.size() == 1 ? " byte>" : " bytes>");
            } else if constexpr (std::is_same_v<T, SettingsArray>) {
                out << "(\n";
                for (size_t i = 0; i < v.size(); ++i) {
                    out << innerPad;
                    printValue(out, v[i], indent + 1, false);
                    out << (i + 1 < v.size() ? ",\n" : "\n");
                }
                out << pad << ")";
            } else {
                out << "{\n";
                for (const auto& [key, item] : v) {
                    out << innerPad;
                    printQuoted(out, key);
                    out << " = ";
                    printValue(out, item, indent + 1, false);
                    out << ";\n";
                }
                out << pad << "}";
            }
        },
        value.value);
}

std::optional<bool> parseBool(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "true" || text == "yes" || text == "1") return true;
    if (text == "false" || text == "no" || text == "0") return false;
    return std::nullopt;
}

enum class Parse { Ok, Malformed, OutOfRange };

Parse parseInteger(std::string_view text, int64_t& value) {
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ptr != text.data() + text.size()) return Parse::Malformed;
    if (result.ec == std::errc::result_out_of_range) return Parse::OutOfRange;
    return result.ec == std::errc() ? Parse::Ok : Parse::Malformed;
}

Parse parseReal(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return Parse::Malformed;
    auto read = number_text::read(text);
    if (read.end != text.data() + text.size()) return Parse::Malformed;
    // Too large to hold is out of range; "inf" written out is not a number a setting takes.
    if (read.error == std::errc::result_out_of_range) return Parse::OutOfRange;
    value = read.value;
    return std::isnan(value) || std::isinf(value) ? Parse::Malformed : Parse::Ok;
}

// Text a settings file can keep and a terminal can show: UTF-8, with tab and
// newline the only control characters. The reason when it is not.
std::optional<std::string> unstorableText(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        auto c = utf8::next(text, at);
        if (!c) return "is not UTF-8 text";
        if (utf8::isControl(*c) && *c != '\t' && *c != '\n')
            return "holds a control character; only tab and newline may be in text";
    }
    return std::nullopt;
}

const char* kindName(SettingKind kind) {
    switch (kind) {
        case SettingKind::Boolean: return "a boolean; write it with -bool";
        case SettingKind::Text: return "text; write it with -string";
        case SettingKind::Shortcut: return "a recorded shortcut";
    }
    return "";
}

struct Usage {
    std::ostream& err;
    int operator()(std::string_view message) const {
        err << kCommand << ": " << message << "\n";
        return 2;
    }
};

std::string unknownKey(const std::string& key) {
    return "unknown key " + quotedWord(key) + "; see 'tilvane defaults --help'";
}

int read(const std::vector<std::string>& args, SettingsStore& store, std::ostream& out, std::ostream& err) {
    Usage usage{err};
    if (args.size() > 2) return usage("read takes at most one key");
    if (args.size() == 2 && !settingKindForKey(args[1]) && !store.objectForKey(args[1]) && !store.readProblem())
        return usage(unknownKey(args[1]));
    if (auto problem = store.readProblem()) {
        err << kCommand << ": " << printableText(*problem);
        if (args.size() == 2) err << "; the value of " << printableText(args[1]) << " is unknown";
        err << "\n";
        return 1;
    }
    if (args.size() == 1) {
        SettingsDictionary domain;
        for (const auto& key : store.keys())
            if (auto value = store.objectForKey(key)) domain.emplace(key, std::move(*value));
        printValue(out, SettingsValue(std::move(domain)), 0, true);
        out << "\n";
        return 0;
    }
    const std::string& key = args[1];
    auto value = store.objectForKey(key);
    if (!value) {
        err << kCommand << ": " << printableText(key) << " holds no value\n";
        return 1;
    }
    printValue(out, *value, 0, true);
    out << "\n";
    return 0;
}

int save(SettingsStore& store, std::ostream& err, const char* what) {
    if (store.synchronize()) return 0;
    err << kCommand << ": " << what << "\n";
    return 1;
}

int write(const std::vector<std::string>& args, SettingsStore& store, std::ostream& err) {
    Usage usage{err};
    if (args.size() != 4) return usage("write takes KEY -bool|-int|-float|-string VALUE");
    const std::string& key = args[1];
    const std::string& type = args[2];
    const std::string& text = args[3];
    auto kind = settingKindForKey(key);
    if (!kind) return usage(unknownKey(key));
    if (*kind == SettingKind::Shortcut)
        return usage(key + " holds a recorded shortcut; change it with 'tilvane shortcuts set'");

    std::optional<SettingsValue> value;
    SettingKind given = SettingKind::Text;
    if (type == "-bool" || type == "-boolean") {
        auto b = parseBool(text);
        if (!b) return usage(quotedWord(text) + " is not a boolean (true, false, yes, no, 1 or 0)");
        value = SettingsValue(*b);
        given = SettingKind::Boolean;
    } else if (type == "-int" || type == "-integer") {
        int64_t i = 0;
        switch (parseInteger(text, i)) {
            case Parse::Malformed: return usage(quotedWord(text) + " is not a whole number");
            case Parse::OutOfRange:
                return usage(quotedWord(text) + " is out of range: whole numbers go from " + std::to_string(INT64_MIN) +
                             " to " + std::to_string(INT64_MAX));
            case Parse::Ok: break;
        }
        return usage(key + " holds " + kindName(*kind));
    } else if (type == "-float") {
        double d = 0;
        switch (parseReal(text, d)) {
            case Parse::Malformed: return usage(quotedWord(text) + " is not a number");
            case Parse::OutOfRange: return usage(quotedWord(text) + " is out of range for a number");
            case Parse::Ok: break;
        }
        return usage(key + " holds " + kindName(*kind));
    } else if (type == "-string") {
        if (auto why = unstorableText(text)) return usage(quotedWord(text) + " " + *why);
        value = SettingsValue(text);
        given = SettingKind::Text;
    } else {
        return usage("unknown value type " + quotedWord(type) + "; use -bool, -int, -float or -string");
    }
    if (given != *kind) return usage(key + " holds " + kindName(*kind));

    store.setObject(key, std::move(*value));
    return save(store, err, "the change was not saved");
}

int remove(const std::vector<std::string>& args, SettingsStore& store, std::ostream& err) {
    Usage usage{err};
    if (args.size() != 2) return usage("delete takes one key");
    const std::string& key = args[1];
    if (auto problem = store.readProblem()) {
        err << kCommand << ": " << printableText(*problem) << "; nothing was deleted\n";
        return 1;
    }
    bool held = store.objectForKey(key).has_value();
    if (!settingKindForKey(key) && !held) return usage(unknownKey(key));
    store.removeObject(key);
    return save(store, err, "nothing was deleted");
}

}  // namespace

std::optional<SettingKind> settingKindForKey(std::string_view key) {
    for (auto k : kBooleanKeys)
        if (k == key) return SettingKind::Boolean;
    for (auto k : kTextKeys)
        if (k == key) return SettingKind::Text;
    if (actionForSettingsKey(key)) return SettingKind::Shortcut;
    // The preferences window keeps one frame per pane: "Preferences <pane> Frame".
    constexpr std::string_view prefix = "Preferences ", suffix = " Frame";
    if (key.size() > prefix.size() + suffix.size() && key.starts_with(prefix) && key.ends_with(suffix))
        return SettingKind::Text;
    return std::nullopt;
}

std::string readableSettings(const SettingsStore& store, KeyedArchiver& archiver) {
    SettingsDictionary domain;
    for (const auto& key : store.keys())
        if (auto value = store.objectForKey(key)) domain.emplace(key, std::move(*value));
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "{\n";
    for (const auto& [key, value] : domain) {
        out << "    ";
        printQuoted(out, key);
        out << " = ";
        const auto* data = std::get_if<SettingsData>(&value.value);
        std::optional<Shortcut> shortcut;
        if (data && actionForSettingsKey(key)) shortcut = unarchiveShortcut(archiver, *data);
        if (shortcut) {
            std::string words = shortcutWords(*shortcut);
            out << (words.empty() ? "(none)" : words);
        } else {
            printValue(out, value, 1, false);
        }
        out << ";\n";
    }
    out << "}\n";
    return out.str();
}

int runDefaultsCommand(const std::vector<std::string>& args, SettingsStore& store, std::ostream& out,
                       std::ostream& err) {
    if (args.empty()) {
        printUsage(err);
        return 2;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(out);
        return 0;
    }
    if (command == "read") return read(args, store, out, err);
    if (command == "write") return write(args, store, err);
    if (command == "delete") return remove(args, store, err);
    err << kCommand << ": unknown command " << quotedWord(command) << "\n";
    printUsage(err);
    return 2;
}

}  // namespace tilvane
