#include "platform/dialogs/Dialogs.h"

#include "platform/Error.h"

#include <utility>

namespace wo::dialogs {

namespace {

std::unique_ptr<Dialogs>& slot() {
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

std::function<std::unique_ptr<Dialogs>()>& makeDefault() {
    static std::function<std::unique_ptr<Dialogs>()> make;
    return make;
}

} // namespace

QString defaultTitle() {
    return QStringLiteral("Wendra_Original");
}

Dialogs& current() {
    if (!slot()) {
        if (!makeDefault())
            throw Error(err::InvalidArgument, QStringLiteral("没有可用的对话框"));
        slot() = makeDefault()();
    }
    return *slot();
}

void inform(QWidget* parent, const QString& text, const QString& title, Icon icon) {
    current().messageBox(parent, text, Buttons::OK, icon, title);
}

std::unique_ptr<Dialogs> install(std::unique_ptr<Dialogs> dialogs) {
    return std::exchange(slot(), std::move(dialogs));
}

void setDefault(std::function<std::unique_ptr<Dialogs>()> make) {
    makeDefault() = std::move(make);
}

} // namespace wo::dialogs
