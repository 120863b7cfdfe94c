#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/hot_keys.h"
#include "platform/run_loop.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_keyboard.h"

namespace tilvane::x11 {

// System-wide hot keys as passive key grabs on the root window. Each
// combination is grabbed once for every lock variant, so Num Lock or Caps
// Lock being on does not stop it; a grab another client holds refuses the
// registration. After the keyboard mapping changes the grabs are made anew.
// Registering a combination this service already holds shares its grab; a
// press reports the newest registration of the combination.
class X11HotKeyService : public HotKeyService {
public:
    X11HotKeyService(Connection& conn, X11Keyboard& keyboard);
    ~X11HotKeyService() override;

    OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                 EventHotKeyRef& outRef) override;
    OSStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    OSStatus installEventHandler(Handler handler, EventHandlerRef& outRef) override;
    OSStatus removeEventHandler(EventHandlerRef ref) override;
    // Probes with a grab of every lock variant, let go of at once: another
    // client's grab refuses it.
    bool isHeldByAnotherProgram(uint32_t keyCode, uint32_t modifiers) override;

    // A key while the keyboard is grabbed: its virtual key code, the modifier
    // flags held after it (a modifier key's own included when it goes down),
    // and whether it is a modifier key.
    struct GrabbedKey {
        bool press = true;
        uint16_t keyCode = 0;
        uint64_t flags = 0;
        bool isModifier = false;
    };
    // While the user records a shortcut every key of the desktop comes here,
    // combinations that hot keys (this program's or others') hold included:
    // an active grab wins over them all. The keys go to onKey instead of
    // acting as hot keys. done(true) once the grab is held; done(false) when
    // the server refuses it: another program holds the keyboard and has not
    // let go of it within a fifth of a second. The grab is asked again on
    // the loop meanwhile, so that the hot keys and everything else go on;
    // done may come before grabKeyboard returns. releaseKeyboard ends the
    // grab, or the asking, and done is then never called.
    void grabKeyboard(RunLoop& loop, std::function<void(const GrabbedKey&)> onKey, std::function<void(bool)> done);
    void releaseKeyboard();

private:
    struct Combination {
        uint8_t keycode = 0;
        uint16_t modifiers = 0;
        auto operator<=>(const Combination&) const = default;
    };
    struct Registration {
        EventHotKeyID id;
        uint32_t keyCode = 0;
        uint32_t carbonModifiers = 0;
    };

    std::optional<Combination> combinationFor(uint32_t keyCode, uint32_t carbonModifiers) const;
    OSStatus grab(const Combination& combination);
    void ungrab(const Combination& combination);
    void mappingChanged();
    void keyPressed(const xcb_key_press_event_t& event);
    void keyOfGrab(const xcb_key_press_event_t& event, bool press);

    Connection& conn_;
    X11Keyboard& keyboard_;
    // The modifier map the grabs were made under.
    ModifierMap modifiers_;
    std::map<EventHotKeyRef, Registration> registrations_;
    // The combinations grabbed, each with the registrations sharing it, oldest first.
    std::map<Combination, std::vector<EventHotKeyRef>> grabs_;
    std::map<EventHandlerRef, Handler> handlers_;
    uint64_t nextRef_ = 1;
    // Asks the server for the grab; again on the loop while another client holds the keyboard.
    void askForKeyboard(RunLoop& loop, int attempt);

    std::function<void(const GrabbedKey&)> grabbedKeys_;
    // The grab asked for and not yet answered; a new ask or a release ends it.
    struct KeyboardRequest {
        std::function<void(const GrabbedKey&)> onKey;
        std::function<void(bool)> done;
    };
    std::shared_ptr<KeyboardRequest> keyboardRequest_;
};

}  // namespace tilvane::x11
