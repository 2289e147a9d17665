#pragma once

#include <functional>

class QWidget;

namespace wo::test {

// Runs `act` on the next modal window once it is up, from the event loop that the
// window's own exec() runs; the window stays open unless `act` closes it.
void whenModal(const std::function<void(QWidget*)>& act);

} // namespace wo::test
