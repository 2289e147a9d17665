#include "ui/common/Guard.h"

#include "platform/dialogs/Dialogs.h"

namespace wo::ui {

QString errorText(int number, const QString& description) {
    return QStringLiteral("错误") + QString::number(number) + QStringLiteral("：") + description;
}

bool guarded(QWidget* parent, const QString& title, const std::function<void()>& handler) {
    QString text;
    try {
        handler();
        return true;
    } catch (const Error& e) {
        text = errorText(e.number(), e.description());
    } catch (const std::exception& e) {
        text = errorText(-1, QString::fromLocal8Bit(e.what()));
    }
    dialogs::current().messageBox(parent, text, dialogs::Buttons::OK, dialogs::Icon::Critical, title);
    return false;
}

} // namespace wo::ui
