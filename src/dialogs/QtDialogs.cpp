#include "dialogs/QtDialogs.h"

#include "dialogs/QtTexts.h"
#include "dialogs/ScanDialogs.h"
#include "platform/Error.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace wo::dialogs {

namespace {

QString megabytes(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

// The transfer's window a person sees. Application-modal: while a transfer runs
// only this window takes input, so nothing starts another transfer meanwhile.
class TransferProgressWindow final : public TransferProgress {
public:
    TransferProgressWindow(QWidget* parent, const QString& document)
        : m_window(std::make_unique<QProgressDialog>(parent)), m_bar(new QProgressBar), m_document(document) {
        // The dialog's own setValue() runs every pending event when the dialog is
        // modal, the host's queued calls included: the bar is set directly instead.
        m_window->setBar(m_bar);
        m_window->setObjectName(QStringLiteral("TransferProgress"));
        m_window->setWindowTitle(QStringLiteral("传输文件"));
        m_window->setWindowModality(Qt::ApplicationModal);
        m_window->setCancelButtonText(QStringLiteral("取消"));
        m_window->setAutoReset(false);
        m_window->setAutoClose(false);
        m_window->setMinimumDuration(0);
        m_window->setMinimumWidth(360);
        m_bar->setRange(0, 1000);
        QObject::connect(m_window.get(), &QProgressDialog::canceled, m_window.get(), [this] { cancel(); });
        m_window->show();
    }

    void update(qint64 done, qint64 total, double bytesPerSecond) override {
        const QString amount =
            total < 0 ? megabytes(done) : megabytes(done) + QStringLiteral(" / ") + megabytes(total);
        m_window->setLabelText(m_document + QLatin1Char('\n') + QStringLiteral("已传输 ") + amount +
                               QStringLiteral("，") + megabytes(qint64(bytesPerSecond)) +
                               QStringLiteral("/秒"));
        // An unknown size shows a busy bar.
        m_bar->setMaximum(total < 0 ? 0 : 1000);
        m_bar->setValue(total <= 0 ? 0 : int(std::min<qint64>(done, total) * 1000 / total));
        // Painted now: the transfer holds timers back, and with them any update a
        // platform schedules by timer.
        m_window->repaint();
    }

private:
    std::unique_ptr<QProgressDialog> m_window;
    QProgressBar* m_bar; // owned by m_window
    QString m_document;
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The component speaks Chinese whatever the host's language: its own captions.
QString caption(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return QStringLiteral("确定");
    case QMessageBox::Cancel:
        return QStringLiteral("取消");
    case QMessageBox::Abort:
        return QStringLiteral("终止(&A)");
    case QMessageBox::Retry:
        return QStringLiteral("重试(&R)");
    case QMessageBox::Ignore:
        return QStringLiteral("忽略(&I)");
    case QMessageBox::Yes:
        return QStringLiteral("是(&Y)");
    case QMessageBox::No:
        return QStringLiteral("否(&N)");
    default:
        return {};
    }
}

// Buttons in their on-screen order, each with the answer it gives.
QList<std::pair<QMessageBox::StandardButton, Answer>> qtButtons(Buttons buttons) {
    using B = QMessageBox;
    switch (buttons) {
    case Buttons::OK:
        return {{B::Ok, Answer::OK}};
    case Buttons::OKCancel:
        return {{B::Ok, Answer::OK}, {B::Cancel, Answer::Cancel}};
    case Buttons::AbortRetryIgnore:
        return {{B::Abort, Answer::Abort}, {B::Retry, Answer::Retry}, {B::Ignore, Answer::Ignore}};
    case Buttons::YesNoCancel:
        return {{B::Yes, Answer::Yes}, {B::No, Answer::No}, {B::Cancel, Answer::Cancel}};
    case Buttons::YesNo:
        return {{B::Yes, Answer::Yes}, {B::No, Answer::No}};
    case Buttons::RetryCancel:
        return {{B::Retry, Answer::Retry}, {B::Cancel, Answer::Cancel}};
    }
    return {{B::Ok, Answer::OK}};
}

} // namespace

// A window not shown yet has no place on the screen, and a dialog placed over it
// lands in the screen's corner. Every dialog passes here first: without a widget application Qt would end the
// process at the first widget.
QWidget* QtDialogs::shownParent(QWidget* parent) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw err::make(err::NoWidgetApplication);
    if (!parent || parent->window()->isVisible())
        return parent;
    return QApplication::activeWindow();
}

Answer QtDialogs::messageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                             const QString& title) {
    QMessageBox box(qtIcon(icon), title.isEmpty() ? defaultTitle() : title, text, QMessageBox::NoButton,
                    shownParent(parent));
    const auto choices = qtButtons(buttons);
    QMessageBox::StandardButtons set;
    for (const auto& c : choices)
        set |= c.first;
    box.setStandardButtons(set);
    for (const auto& c : choices)
        box.button(c.first)->setText(caption(c.first));
    box.setDefaultButton(choices.first().first);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& c : choices)
        if (c.first == pressed)
            return c.second;
    // Escape or the close box: the box's cancelling answer, as a person expects.
    return set.testFlag(QMessageBox::Cancel) ? Answer::Cancel
           : set.testFlag(QMessageBox::No)   ? Answer::No
                                             : choices.first().second;
}

QString QtDialogs::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                            const QString& defaultText) {
    QInputDialog input(shownParent(parent));
    input.setWindowTitle(title.isEmpty() ? defaultTitle() : title);
    input.setLabelText(prompt);
    input.setTextValue(defaultText);
    input.setOkButtonText(caption(QMessageBox::Ok));
    input.setCancelButtonText(caption(QMessageBox::Cancel));
    return input.exec() == QDialog::Accepted ? input.textValue() : QString();
}

QStringList QtDialogs::openFiles(QWidget* parent, const OpenFileRequest& request) {
    const QtChineseTexts chinese;
    parent = shownParent(parent);
    if (request.multiSelect)
        return QFileDialog::getOpenFileNames(parent, request.title, request.folder, request.filter);
    const QString file = QFileDialog::getOpenFileName(parent, request.title, request.folder, request.filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QAction* QtDialogs::contextMenu(QMenu* menu, const QPoint& globalPos) {
    return menu->exec(globalPos);
}

int QtDialogs::runModal(QDialog& dialog) {
    return dialog.exec();
}

bool QtDialogs::scanSettings(QWidget* parent, ScanSettings& settings) {
    ScanSettingsDialog dialog(shownParent(parent), settings);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.chosen();
    return true;
}

std::unique_ptr<ScanProgress> QtDialogs::scanProgress(QWidget* parent) {
    return std::make_unique<ScanProgressWindow>(shownParent(parent));
}

std::unique_ptr<TransferProgress> QtDialogs::transferProgress(QWidget* parent, const QString& document) {
    // A transfer knows no window of its own: it runs over whichever is active.
    return std::make_unique<TransferProgressWindow>(
        shownParent(parent ? parent : QApplication::activeWindow()), document);
}

} // namespace wo::dialogs
