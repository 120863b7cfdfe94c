#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tilvane {

// Status codes of the hot-key service; 0 is success.
using OSStatus = int32_t;
inline constexpr OSStatus kNoErr = 0;
inline constexpr OSStatus kEventHotKeyExistsErr = -9878;   // combination taken by someone else
inline constexpr OSStatus kEventHotKeyInvalidErr = -9879;  // combination cannot be registered
inline constexpr OSStatus kEventHandlerFailedErr = -9880;

inline constexpr uint32_t fourCharCode(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}
inline constexpr uint32_t kEventClassKeyboard = fourCharCode("keyb");
inline constexpr uint32_t kEventHotKeyPressed = 5;

// Carbon modifier bits, the layout in which hot keys are registered.
inline constexpr uint32_t kCarbonCmdKey = 0x0100;
inline constexpr uint32_t kCarbonShiftKey = 0x0200;
inline constexpr uint32_t kCarbonOptionKey = 0x0800;
inline constexpr uint32_t kCarbonControlKey = 0x1000;

struct EventHotKeyID {
    uint32_t signature = 0;
    uint32_t id = 0;
    friend bool operator==(const EventHotKeyID&, const EventHotKeyID&) = default;
};

// One event delivered to the hot-key handler. The identifier is absent when
// it could not be read from the event.
struct HotKeyEvent {
    uint32_t eventClass = kEventClassKeyboard;
    uint32_t eventKind = kEventHotKeyPressed;
    std::optional<EventHotKeyID> hotKeyID;
};

using EventHotKeyRef = uint64_t;   // 0: not registered
using EventHandlerRef = uint64_t;  // 0: none

// The system-wide hot-key service: a combination registered here is taken
// from whatever application is in front and reported to this process, on the
// run loop's thread, as a HotKeyEvent carrying the registration's identifier.
class HotKeyService {
public:
    using Handler = std::function<void(const HotKeyEvent&)>;
    virtual ~HotKeyService() = default;

    // keyCode is a virtual key code, modifiers are Carbon bits.
    virtual OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                         EventHotKeyRef& outRef) = 0;
    virtual OSStatus unregisterEventHotKey(EventHotKeyRef ref) = 0;
    // Installs the handler for pressed hot keys.
    virtual OSStatus installEventHandler(Handler handler, EventHandlerRef& outRef) = 0;
    virtual OSStatus removeEventHandler(EventHandlerRef ref) = 0;
    // Whether another program holds the combination as its hot key (the
    // window manager, the desktop, another hot-key tool); this program's own
    // registrations do not count. False where the desktop cannot tell.
    virtual bool isHeldByAnotherProgram(uint32_t keyCode, uint32_t modifiers) {
        (void)keyCode;
        (void)modifiers;
        return false;
    }
};

}  // namespace tilvane
