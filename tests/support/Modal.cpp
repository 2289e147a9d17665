#include "Modal.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace wo::test {

void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, deadline = QDeadlineTimer(timeoutMs)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (w)
            act(w);
        else
            QTest::qFail("no modal window came up in time", __FILE__, __LINE__);
    });
    timer->start(10);
}

} // namespace wo::test
