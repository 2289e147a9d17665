#pragma once

#include "platform/com/ServerState.h"

namespace wo::entry {

// Marks a call of the component's objects as running. While one runs, host code may
// still run inside it (a modal window's loop, a transfer's progress window, where Qt
// cannot hold back the host's queued calls); a call of ours from there would find
// the settings, the windows and the connections in use, so it fails at once with
// error err::Busy instead of working on them or waiting for itself.
class RunningCall {
public:
    RunningCall();
    ~RunningCall();
    RunningCall(const RunningCall&) = delete;
    RunningCall& operator=(const RunningCall&) = delete;
};

// Runs the body of an object's call as a running call, its errors turned into the
// call's HRESULT as every call of the component's objects does.
template <typename F> HRESULT runCall(F&& body) noexcept {
    return com::server::guard([&] {
        const RunningCall call;
        body();
    });
}

} // namespace wo::entry
