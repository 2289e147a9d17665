#include "Modal.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace wo::test {

void whenModal(const std::function<void(QWidget*)>& act) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start(10);
}

} // namespace wo::test
