#pragma once

#include "platform/Error.h"

#include <QString>
#include <functional>

class QWidget;

namespace wo::ui {

// The box of an unexpected error: errorText, a critical icon, OK, under title.
void reportError(QWidget* parent, const QString& title, const Error& error);

// Runs a window handler that traps no error of its own: an error is shown as
// errorText under the given title, so nothing crosses the event loop. Returns
// false when the handler failed.
bool guarded(QWidget* parent, const QString& title, const std::function<void()>& handler);

} // namespace wo::ui
