#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/hot_keys.h"

namespace tilvane::sim {

// The desktop's hot-key service, in memory. It takes registrations the way the
// real one does, refuses the combinations a test names, and delivers presses
// of registered combinations to the installed handlers with the identifier the
// registration carried.
class SimHotKeyService : public HotKeyService {
public:
    struct Registration {
        EventHotKeyRef ref = 0;
        uint32_t keyCode = 0;
        uint32_t modifiers = 0;
        EventHotKeyID id;
    };
    // One call of the service, as a test reads the history back.
    struct Call {
        enum class Kind { Register, Refused, Unregister };
        Kind kind;
        uint32_t keyCode = 0;
        uint32_t modifiers = 0;
        EventHotKeyID id;
    };

    OSStatus registerEventHotKey(uint32_t keyCode, uint32_t modifiers, EventHotKeyID id,
                                 EventHotKeyRef& outRef) override;
    OSStatus unregisterEventHotKey(EventHotKeyRef ref) override;
    OSStatus installEventHandler(Handler handler, EventHandlerRef& outRef) override;
    OSStatus removeEventHandler(EventHandlerRef ref) override;

    // A combination refused to this program is one another program holds.
    bool isHeldByAnotherProgram(uint32_t keyCode, uint32_t modifiers) override {
        return refused_.count({keyCode, modifiers}) > 0;
    }

    // --- arrangement -------------------------------------------------------
    // Registrations of this combination fail from now on, as when another
    // program holds it.
    void refuse(uint32_t keyCode, uint32_t modifiers) { refused_.insert({keyCode, modifiers}); }
    void allow(uint32_t keyCode, uint32_t modifiers) { refused_.erase({keyCode, modifiers}); }
    void setHandlerInstallationFails(bool fails) { handlerFails_ = fails; }

    // --- input -------------------------------------------------------------
    // The user presses the combination (Carbon modifier bits; lock keys are
    // ignored). Delivers a pressed event with the identifier of its newest
    // registration; false when the combination is not registered.
    bool press(uint32_t keyCode, uint32_t modifiers);
    // Delivers any event, with whatever signature and identifier, to every handler.
    void deliver(const HotKeyEvent& event);

    // --- observation -------------------------------------------------------
    // Current registrations, oldest first.
    std::vector<Registration> registrations() const;
    bool isRegistered(uint32_t keyCode, uint32_t modifiers) const;
    const std::vector<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    size_t handlerCount() const { return handlers_.size(); }

private:
    std::map<EventHotKeyRef, Registration> registrations_;
    std::set<std::pair<uint32_t, uint32_t>> refused_;
    std::map<EventHandlerRef, Handler> handlers_;
    std::vector<Call> calls_;
    EventHotKeyRef nextRef_ = 1;
    EventHandlerRef nextHandler_ = 1;
    bool handlerFails_ = false;
};

}  // namespace tilvane::sim
