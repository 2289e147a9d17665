#pragma once

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

} // namespace wo::entry
