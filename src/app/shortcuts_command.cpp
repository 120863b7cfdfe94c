#include "app/shortcuts_command.h"

#include "app/action_table.h"
#include "app/printable_text.h"
#include "app/shortcut_holders.h"
#include "shortcuts/key_names.h"
#include "shortcuts/shortcut.h"
#include "shortcuts/shortcut_validator.h"
#include "shortcuts/unicode_text.h"

namespace tilvane {
namespace {

void printUsage(std::ostream& out) {
    out << "usage: tilvane shortcuts [list]\n"
           "       tilvane shortcuts set KEY COMBO\n"
           "       tilvane shortcuts clear KEY\n"
           "\n"
           "Lists and changes the keyboard shortcuts of the window actions. KEY is the\n"
           "settings key (LeftShortcut) or the action's name (left). COMBO is any of\n"
           "ctrl, alt, shift and super joined by '+', then a key: ctrl+alt+Left,\n"
           "ctrl+alt+super+m, shift+ctrl+F5. A running Tilvane takes a change at once.\n"
           "A combination that another action has is refused: one combination runs one\n"
           "action.\n"
           "\n"
           "The list shows what Tilvane does: the stored shortcut, or the default marked\n"
           "(default) where nothing is stored, as before the first start; Tilvane stores\n"
           "and uses the default when it starts. A cleared shortcut has no combination\n"
           "until then. (none) marks a stored value that is not a shortcut: that action\n"
           "has no shortcut.\n"
           "\n"
           "Exit status: 0 done; 1 the settings could not be read or saved; 2 bad usage,\n"
           "unknown key or a combination that cannot be used or is another action's.\n";
}

const ActionInfo* findAction(const std::string& key) {
    if (const ActionInfo* info = actionForSettingsKey(key)) return info;
    return actionForName(key);
}

// Pads to a column width counted in characters, not bytes.
std::string padded(const std::string& text, size_t width) {
    size_t length = unicode::toUtf16(text).size();
    return length >= width ? text : text + std::string(width - length, ' ');
}

Shortcut defaultShortcut(const ActionInfo& action) {
    return Shortcut(action.defaultKeyCode, action.defaultModifierFlags);
}

void list(SettingsStore& store, KeyedArchiver& archiver, Keyboard& keyboard, std::ostream& out,
          const HeldElsewhere& heldElsewhere) {
    for (const ActionInfo& action : kActions) {
        std::string key(action.settingsKey);
        out << padded(key, 24) << ' ';
        // Start-up stores the default under a key that holds nothing, and uses it.
        bool stored = store.objectForKey(key).has_value();
        std::optional<Shortcut> shortcut = effectiveShortcut(store, archiver, action);
        if (!shortcut) {
            out << "(none: the stored value is not a shortcut)\n";
            continue;
        }
        out << padded(shortcut->description(&keyboard), 6) << ' ' << shortcutWords(*shortcut)
            << (stored ? "" : " (default)")
            << (heldElsewhere && heldElsewhere(key, *shortcut) ? " (held by another program)" : "") << '\n';
    }
}

int save(SettingsStore& store, std::ostream& err) {
    if (store.synchronize()) return 0;
    err << "tilvane shortcuts: the change was not saved\n";
    return 1;
}

}  // namespace

int runShortcutsCommand(const std::vector<std::string>& args, SettingsStore& store, KeyedArchiver& archiver,
                        Keyboard& keyboard, std::ostream& out, std::ostream& err, const HeldElsewhere& heldElsewhere) {
    if (args.empty() || (args.size() == 1 && args[0] == "list")) {
        if (auto problem = store.readProblem()) {
            err << "tilvane shortcuts: " << printableText(*problem) << "; the shortcuts in it are unknown\n";
            return 1;
        }
        list(store, archiver, keyboard, out, heldElsewhere);
        return 0;
    }
    const std::string& verb = args[0];
    if (verb == "help" || verb == "--help" || verb == "-h") {
        printUsage(out);
        return 0;
    }
    bool set = verb == "set" && args.size() == 3;
    bool clear = verb == "clear" && args.size() == 2;
    if (!set && !clear) {
        printUsage(err);
        return 2;
    }
    const ActionInfo* action = findAction(args[1]);
    if (!action) {
        err << "tilvane shortcuts: unknown key '" << printableText(args[1])
            << "'; 'tilvane shortcuts' lists the keys\n";
        return 2;
    }
    std::string key(action->settingsKey);
    if (clear) {
        store.removeObject(key);
        int status = save(store, err);
        if (status == 0)
            out << key << " cleared: no shortcut until Tilvane starts again, which gives it the default "
                << shortcutWords(defaultShortcut(*action)) << '\n';
        return status;
    }
    auto shortcut = parseShortcutWords(args[2]);
    if (!shortcut) {
        err << "tilvane shortcuts: cannot read the combination '" << printableText(args[2])
            << "'; write it like ctrl+alt+Left (modifiers ctrl, alt, shift, super)\n";
        return 2;
    }
    ShortcutValidator validator(&keyboard);
    if (!validator.isShortcutValid(*shortcut)) {
        err << "tilvane shortcuts: " << args[2]
            << " cannot be used: it needs ctrl or super (or alt with space or Escape), unless the key is F1 to F20\n";
        return 2;
    }
    std::string explanation;
    if (validator.isShortcutAlreadyTakenBySystem(*shortcut, &explanation)) {
        err << "tilvane shortcuts: " << args[2] << " cannot be used. " << explanation << '\n';
        return 2;
    }
    if (const ActionInfo* holder = actionHoldingShortcut(store, archiver, *shortcut, key)) {
        err << "tilvane shortcuts: " << args[2] << " is already the shortcut of " << holder->settingsKey << " ("
            << holder->name << "); give that action another one first\n";
        return 2;
    }
    store.setObject(key, SettingsValue(archiveShortcut(archiver, *shortcut)));
    return save(store, err);
}

}  // namespace tilvane
