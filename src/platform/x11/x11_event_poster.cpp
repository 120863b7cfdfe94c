#include "platform/x11/x11_event_poster.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cmath>

#include "platform/x11/key_codes.h"

namespace tilvane::x11 {

namespace {

constexpr uint8_t kLeftButton = 1;
constexpr uint8_t kAbsolute = 0, kRelative = 1;

int16_t pixel(double v) {
    return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

}  // namespace

InputHoldBack::Step InputHoldBack::step(Clock::time_point now, bool blocked) {
    if (queue_.empty()) {
        delay_ = {};
        return {};
    }
    const Entry& front = queue_.front();
    Clock::time_point due = front.queuedAt + delay_;
    if (now < due) return {std::nullopt, due};
    if (blocked && now < due + kPatience) return {std::nullopt, now + kPollInterval};
    // Everything after this event keeps its distance to it.
    delay_ = now - front.queuedAt;
    Step step{front.event, std::nullopt};
    queue_.pop_front();
    if (queue_.empty()) delay_ = {};
    return step;
}

X11EventPoster::X11EventPoster(Connection& conn, X11Screens& screens, ModifierMapSource modifiers, RunLoop* runLoop)
    : conn_(conn), screens_(screens), modifiers_(std::move(modifiers)), runLoop_(runLoop) {}

X11EventPoster::~X11EventPoster() {
    *alive_ = false;
}

Point X11EventPoster::currentPointerLocation() {
    XPtr<xcb_query_pointer_reply_t> p(
        xcb_query_pointer_reply(conn_.get(), xcb_query_pointer(conn_.get(), conn_.root()), nullptr));
    Point origin = screens_.primaryOrigin();
    if (!p) return origin;
    return {p->root_x - origin.x, p->root_y - origin.y};
}

void X11EventPoster::post(const SyntheticEvent& event) {
    ++posted_;
    if (!runLoop_) {
        send(event);
        return;
    }
    holdBack_.queue(event, runLoop_->now());
    if (!pumpScheduled_) pump();
}

void X11EventPoster::afterPostedEvents(std::function<void()> task) {
    waiters_.emplace_back(posted_, std::move(task));
    runWaiters();
}

void X11EventPoster::runWaiters() {
    auto due = std::stable_partition(waiters_.begin(), waiters_.end(), [&](const auto& w) { return w.first > sent_; });
    if (due == waiters_.end()) return;
    std::vector<std::function<void()>> tasks;
    for (auto it = due; it != waiters_.end(); ++it) tasks.push_back(std::move(it->second));
    waiters_.erase(due, waiters_.end());
    conn_.syncWithWindowManager();
    for (auto& task : tasks) {
        if (runLoop_) {
            runLoop_->async(std::move(task));
        } else {
            task();
        }
    }
}

void X11EventPoster::pump() {
    pumpScheduled_ = false;
    for (;;) {
        bool wait = !holdBack_.empty() && blocked(holdBack_.front());
        auto step = holdBack_.step(runLoop_->now(), wait);
        if (step.post) {
            send(*step.post);
            continue;
        }
        if (step.wakeAt) {
            pumpScheduled_ = true;
            std::weak_ptr<bool> alive = alive_;
            runLoop_->after(*step.wakeAt - runLoop_->now(), [this, alive] {
                if (alive.lock()) pump();
            });
        }
        runWaiters();
        return;
    }
}

bool X11EventPoster::blocked(const SyntheticEvent& event) {
    if (drag_) {
        if (!keyboardGrabbedElsewhere() && runLoop_->now() < drag_->nudgedAt + kDragStartPatience) return true;
        fake(XCB_MOTION_NOTIFY, kRelative, static_cast<int16_t>(-drag_->step), 0);
        conn_.flush();
        drag_.reset();
    }
    XPtr<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(conn_.get(), xcb_query_keymap(conn_.get()), nullptr));
    if (!keymap) return false;
    return modifiers_().othersDown(keymap->keys, event.flags, keysDown_);
}

bool X11EventPoster::keyboardGrabbedElsewhere() {
    // A grab request with a time the server holds for stale answers "already
    // grabbed" when another client has the keyboard and grabs nothing otherwise.
    constexpr xcb_timestamp_t kStaleTime = 0xFFFFFFFE;
    xcb_connection_t* c = conn_.get();
    XPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, conn_.root(), kStaleTime, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    if (!reply) return false;
    if (reply->status == XCB_GRAB_STATUS_SUCCESS) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    return reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

void X11EventPoster::fake(uint8_t type, uint8_t detail, int16_t x, int16_t y) {
    // A move held back goes first: the input may act on the window where the move leaves it.
    conn_.sendHeldRequests();
    xcb_test_fake_input(conn_.get(), type, detail, XCB_CURRENT_TIME, conn_.root(), x, y, XCB_NONE);
}

void X11EventPoster::moveTo(Point location) {
    Point origin = screens_.primaryOrigin();
    fake(XCB_MOTION_NOTIFY, kAbsolute, pixel(location.x + origin.x), pixel(location.y + origin.y));
}

void X11EventPoster::send(const SyntheticEvent& event) {
    ++sent_;
    if (!conn_.isUsable()) return;
    // Press the event's modifiers that are not down already; let them go after it.
    const ModifierMap& modifiers = modifiers_();
    XPtr<xcb_query_keymap_reply_t> keymap(xcb_query_keymap_reply(conn_.get(), xcb_query_keymap(conn_.get()), nullptr));
    uint64_t held = keymap ? modifiers.held(keymap->keys) : 0;
    std::vector<uint8_t> pressed;
    for (size_t i = 0; i < ModifierMap::kFlags.size(); ++i) {
        if (!(event.flags & ModifierMap::kFlags[i]) || (held & ModifierMap::kFlags[i]) || modifiers.keys[i].empty())
            continue;
        pressed.push_back(modifiers.keys[i].front());
        fake(XCB_KEY_PRESS, pressed.back());
    }

    switch (event.type) {
        case EventType::MouseMoved: moveTo(event.location); break;
        case EventType::LeftMouseDown: {
            moveTo(event.location);
            fake(XCB_BUTTON_PRESS, kLeftButton);
            // The nudge that makes the window manager take the press for a drag.
            // It must see the press first: it takes the pointer's position then
            // as where the drag starts.
            conn_.syncWithWindowManager();
            bool atRightEdge =
                std::lround(event.location.x + screens_.primaryOrigin().x) + 1 >= conn_.screen()->width_in_pixels;
            int16_t step = atRightEdge ? -1 : 1;
            fake(XCB_MOTION_NOTIFY, kRelative, step, 0);
            if (runLoop_) {
                drag_ = Drag{step, runLoop_->now()};
            } else {
                fake(XCB_MOTION_NOTIFY, kRelative, static_cast<int16_t>(-step), 0);
            }
            break;
        }
        case EventType::LeftMouseUp:
            moveTo(event.location);
            fake(XCB_BUTTON_RELEASE, kLeftButton);
            // A window manager that reads ahead for the latest movement of a
            // drag would otherwise take the next one for part of it.
            conn_.syncWithWindowManager();
            break;
        case EventType::KeyDown:
        case EventType::KeyUp:
            if (auto key = xKeycodeForVirtualKey(event.keyCode)) {
                fake(event.type == EventType::KeyDown ? XCB_KEY_PRESS : XCB_KEY_RELEASE, *key);
                std::erase(keysDown_, *key);
                if (event.type == EventType::KeyDown) keysDown_.push_back(*key);
            }
            break;
        default: break;
    }

    for (auto k = pressed.rbegin(); k != pressed.rend(); ++k) fake(XCB_KEY_RELEASE, *k);
    conn_.flush();
}

}  // namespace tilvane::x11
