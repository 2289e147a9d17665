#include "platform/com/ServerState.h"

#include <atomic>

namespace wo::com::server {

namespace {
std::atomic<long> s_objects{0};
std::atomic<long> s_locks{0};
thread_local int t_errorNumber = 0;
thread_local QString t_errorDescription;
} // namespace

void objectCreated() {
    ++s_objects;
}
void objectDestroyed() {
    --s_objects;
}
void lock(bool on) {
    on ? ++s_locks : --s_locks;
}
long liveObjects() {
    return s_objects;
}
long locks() {
    return s_locks;
}
bool canUnload() {
    return s_objects == 0 && s_locks == 0;
}

HRESULT setErrorInfo(int number, const QString& description) {
    t_errorNumber = number;
    t_errorDescription = description;
    return WO_DISP_E_EXCEPTION;
}

int errorNumber() {
    return t_errorNumber;
}
QString errorDescription() {
    return t_errorDescription;
}

} // namespace wo::com::server
