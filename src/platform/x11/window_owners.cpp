#include "platform/x11/window_owners.h"

#include <set>

namespace tilvane::x11 {

int32_t owningApplication(xcb_window_t window, std::optional<uint32_t> namedPid, std::optional<uint32_t> clientPid) {
    if (namedPid && *namedPid != 0) return static_cast<int32_t>(*namedPid);
    if (clientPid && *clientPid != 0) return static_cast<int32_t>(*clientPid);
    return -static_cast<int32_t>(window);
}

std::optional<xcb_window_t> windowOfOwnApplication(int32_t application) {
    if (application >= 0) return std::nullopt;
    return static_cast<xcb_window_t>(-int64_t{application});
}

uint32_t clientBase(xcb_window_t window, uint32_t resourceIdMask) {
    return window & ~resourceIdMask;
}

namespace {

xcb_res_query_client_ids_cookie_t queryClientPids(xcb_connection_t* c, const std::vector<xcb_window_t>& windows) {
    uint32_t mask = xcb_get_setup(c)->resource_id_mask;
    std::set<uint32_t> bases;
    for (xcb_window_t w : windows) bases.insert(clientBase(w, mask));
    // One question for each client, whatever the number of its windows.
    std::vector<xcb_res_client_id_spec_t> clients;
    for (uint32_t base : bases) clients.push_back({base, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
    return xcb_res_query_client_ids(c, static_cast<uint32_t>(clients.size()), clients.data());
}

}  // namespace

ClientPidsRequest::ClientPidsRequest(xcb_connection_t* c, const std::vector<xcb_window_t>& windows)
    : PendingReply(c, queryClientPids(c, windows)), mask_(xcb_get_setup(c)->resource_id_mask) {}

std::optional<uint32_t> ClientPidsRequest::pidOf(xcb_window_t window) {
    if (!byBase_) {
        byBase_.emplace();
        // A client the server no longer has, or one on another machine, is left out of the answer.
        if (const auto* reply = get()) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem; xcb_res_client_id_value_next(&it)) {
                if (it.data->spec.mask != XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) continue;
                if (xcb_res_client_id_value_value_length(it.data) < 1) continue;
                (*byBase_)[clientBase(it.data->spec.client, mask_)] = *xcb_res_client_id_value_value(it.data);
            }
        }
    }
    auto found = byBase_->find(clientBase(window, mask_));
    if (found == byBase_->end()) return std::nullopt;
    return found->second;
}

ApplicationsRequest::ApplicationsRequest(Connection& conn, std::vector<xcb_window_t> windows)
    : windows_(std::move(windows)) {
    xcb_connection_t* c = conn.get();
    names_.reserve(windows_.size());
    for (xcb_window_t w : windows_) names_.emplace_back(c, w, conn.atoms()._NET_WM_PID, XCB_ATOM_CARDINAL, 1);
    const xcb_query_extension_reply_t* resources = xcb_get_extension_data(c, &xcb_res_id);
    if (!windows_.empty() && resources && resources->present) clients_.emplace(c, windows_);
}

int32_t ApplicationsRequest::applicationOf(size_t index) {
    xcb_window_t window = windows_[index];
    std::optional<uint32_t> named = names_[index].word();
    std::optional<uint32_t> client;
    if (clients_ && (!named || *named == 0)) client = clients_->pidOf(window);
    return owningApplication(window, named, client);
}

bool ApplicationsRequest::exists(size_t index) {
    return names_[index].errorCode() == 0;
}

}  // namespace tilvane::x11
