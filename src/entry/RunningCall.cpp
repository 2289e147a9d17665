#include "entry/RunningCall.h"

#include "platform/Error.h"

#include <atomic>

namespace wo::entry {

namespace {

std::atomic<bool> g_running{false};

} // namespace

RunningCall::RunningCall() {
    if (g_running.exchange(true))
        throw err::make(err::Busy);
}

RunningCall::~RunningCall() {
    g_running = false;
}

} // namespace wo::entry
