#pragma once

#include <xcb/res.h>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/x11/x11_connection.h"

namespace tilvane::x11 {

// Which application shows a window, as the program knows applications: the
// process that shows it, from _NET_WM_PID when the window names one, else from
// the server's record of the client that made the window, for programs on
// this machine (xlogo, xclock and many Xt and Motif programs name no process).
// A window of a program on another machine, whose process neither tells, is
// an application of its own, known by the negative of the window's id: X
// window ids fit in 29 bits, so these never meet a process id.
int32_t owningApplication(xcb_window_t window, std::optional<uint32_t> namedPid, std::optional<uint32_t> clientPid);
// The window that an application of its own is known by; none for a process.
std::optional<xcb_window_t> windowOfOwnApplication(int32_t application);
// The first resource id of the client that made the window: what the server
// knows the client by.
uint32_t clientBase(xcb_window_t window, uint32_t resourceIdMask);

// The processes of the clients behind windows, from the X-Resource extension.
class ClientPidsRequest : public PendingReply<xcb_res_query_client_ids_cookie_t, xcb_res_query_client_ids_reply_t,
                                              xcb_res_query_client_ids_reply> {
public:
    ClientPidsRequest(xcb_connection_t* c, const std::vector<xcb_window_t>& windows);
    // The process of the client behind a window; none for a remote client.
    std::optional<uint32_t> pidOf(xcb_window_t window);

private:
    uint32_t mask_;
    std::optional<std::map<uint32_t, uint32_t>> byBase_;
};

// The applications of windows, asked of the server in one batch: the
// _NET_WM_PID of each and, in the same trip, the process of each one's client.
class ApplicationsRequest {
public:
    ApplicationsRequest(Connection& conn, std::vector<xcb_window_t> windows);
    int32_t applicationOf(size_t index);
    // False when the server reported that the window no longer exists.
    bool exists(size_t index);

private:
    std::vector<xcb_window_t> windows_;
    std::vector<PropertyRequest> names_;
    std::optional<ClientPidsRequest> clients_;
};

}  // namespace tilvane::x11
