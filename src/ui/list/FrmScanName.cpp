#include "ui/list/FrmScanName.h"

#include "platform/dialogs/Dialogs.h"
#include "ui/common/Twips.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace wo::ui {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(twipsRect(left, 1440, 1095, 330, parent));
    // A dialog would otherwise make the first of them its default button.
    b->setAutoDefault(false);
    return b;
}

QFrame* line(QWidget* parent, const char* name, int top, const QColor& color) {
    auto* l = new QFrame(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(twipsRect(120, top, 5400, 15, parent));
    QPalette palette = l->palette();
    palette.setColor(QPalette::Window, color);
    l->setPalette(palette);
    l->setAutoFillBackground(true);
    return l;
}

} // namespace

QString FrmScanName::Scan_File;

FrmScanName::FrmScanName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmScanName"));
    setWindowTitle(QStringLiteral("文件命名"));
    setFixedSize(twips(5685, this), twips(1920, this));

    Label1 = new QLabel(QStringLiteral("请给扫描文件命名："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(240, 240, 1620, 180, this));

    TxtName = new QLineEdit(this);
    TxtName->setObjectName(QStringLiteral("TxtName"));
    TxtName->setGeometry(twipsRect(360, 600, 4935, 300, this));
    TxtName->setMaxLength(255);

    CmdOK = button(this, "CmdOK", QStringLiteral("确定(&O)"), 3120);
    CmdCancel = button(this, "CmdCancel", QStringLiteral("取消(&C)"), 4320);

    // An etched separator above the buttons.
    Line6 = line(this, "Line6", 1215, QColor(128, 128, 128));
    Line5 = line(this, "Line5", 1200, Qt::white);

    setTabOrder(TxtName, CmdOK);
    setTabOrder(CmdOK, CmdCancel);
    connect(CmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(CmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void FrmScanName::showModal() {
    TxtName->clear();
    TxtName->setFocus();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    dialogs::current().runModal(*this);
}

void FrmScanName::cmdOK_Click() {
    Scan_File = TxtName->text();
    accept();
}

void FrmScanName::cmdCancel_Click() {
    reject();
}

void FrmScanName::reject() {
    Scan_File.clear();
    QDialog::reject();
}

void FrmScanName::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses the button that has the focus, and nothing else.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
            focused->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace wo::ui
