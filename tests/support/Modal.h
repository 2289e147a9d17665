#pragma once

#include <functional>

class QWidget;

namespace wo::test {

// Runs `act` on the next modal window once it is up, from the event loop that the
// window's own exec() runs; the window stays open unless `act` closes it. When no
// modal window comes up within `timeoutMs`, the running test fails and `act` is
// dropped, so it cannot act on a later test's window.
void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs = 20000);

} // namespace wo::test
