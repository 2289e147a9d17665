#include "ui/common/Guard.h"

#include "platform/dialogs/Dialogs.h"

namespace wo::ui {

bool guarded(QWidget* parent, const QString& title, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        reportError(parent, title, errorOf(e));
        return false;
    }
}

void reportError(QWidget* parent, const QString& title, const Error& error) {
    dialogs::current().messageBox(parent, errorText(error.number(), error.description()),
                                  dialogs::Buttons::OK, dialogs::Icon::Critical, title);
}

} // namespace wo::ui
