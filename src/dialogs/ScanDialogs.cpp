#include "dialogs/ScanDialogs.h"

#include "platform/dialogs/OwnEvents.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

namespace wo::dialogs {

namespace {

QComboBox* combo(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

// Selects the entry whose data is `value`; the first one when none is.
void select(QComboBox* c, const QVariant& value) {
    c->setCurrentIndex(std::max(0, c->findData(value)));
}

} // namespace

ScanSettingsDialog::ScanSettingsDialog(QWidget* parent, const ScanSettings& defaults)
    : QDialog(parent), m_settings(defaults) {
    setObjectName(QStringLiteral("ScanSettingsDialog"));
    setWindowTitle(QStringLiteral("扫描设置"));

    CboDevice = combo(this, "CboDevice");
    for (const ScanDevice& d : defaults.devices)
        CboDevice->addItem(d.description + QStringLiteral(" (") + d.name + QLatin1Char(')'), d.name);
    select(CboDevice, defaults.device);

    CboColor = combo(this, "CboColor");
    CboColor->addItem(QStringLiteral("黑白"), int(ScanColor::Lineart));
    CboColor->addItem(QStringLiteral("灰度"), int(ScanColor::Gray));
    CboColor->addItem(QStringLiteral("彩色"), int(ScanColor::Color));
    select(CboColor, int(defaults.color));

    CboResolution = combo(this, "CboResolution");
    for (int dpi : defaults.resolutions)
        CboResolution->addItem(QStringLiteral("%1 dpi").arg(dpi), dpi);
    select(CboResolution, defaults.resolution);

    CboSource = combo(this, "CboSource");
    CboSource->addItem(QStringLiteral("平板"), int(ScanSource::Flatbed));
    CboSource->addItem(QStringLiteral("自动进纸器"), int(ScanSource::Feeder));
    select(CboSource, int(defaults.source));

    SpnPages = new QSpinBox(this);
    SpnPages->setObjectName(QStringLiteral("SpnPages"));
    SpnPages->setRange(0, 9999);
    SpnPages->setSpecialValueText(QStringLiteral("全部"));
    SpnPages->setValue(defaults.pages);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("扫描(&S)"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("CmdScan"));
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("扫描仪(&D)："), CboDevice);
    form->addRow(QStringLiteral("色彩模式(&M)："), CboColor);
    form->addRow(QStringLiteral("分辨率(&R)："), CboResolution);
    form->addRow(QStringLiteral("纸张来源(&P)："), CboSource);
    form->addRow(QStringLiteral("进纸页数(&N)："), SpnPages);
    form->addRow(buttons);
}

ScanSettings ScanSettingsDialog::chosen() const {
    ScanSettings s = m_settings;
    s.device = CboDevice->currentData().toString();
    s.color = ScanColor(CboColor->currentData().toInt());
    s.resolution = CboResolution->currentData().toInt();
    s.source = ScanSource(CboSource->currentData().toInt());
    s.pages = SpnPages->value();
    return s;
}

ScanProgressWindow::ScanProgressWindow(QWidget* parent)
    : m_window(std::make_unique<QProgressDialog>(parent)), m_bar(new QProgressBar) {
    // The dialog's own setValue() runs every pending event when the dialog is modal, the
    // host's queued calls and timers included: the bar is set directly instead.
    m_window->setBar(m_bar);
    m_window->setObjectName(QStringLiteral("ScanProgress"));
    m_window->setWindowTitle(QStringLiteral("扫描"));
    m_window->setWindowModality(Qt::WindowModal);
    m_window->setCancelButtonText(QStringLiteral("取消"));
    m_window->setAutoReset(false);
    m_window->setAutoClose(false);
    m_window->setMinimumDuration(0);
    m_window->setLabelText(QStringLiteral("正在准备扫描……"));
    QObject::connect(m_window.get(), &QProgressDialog::canceled, m_window.get(), [this] { cancel(); });
    m_window->show();
    processOwnEvents(true);
}

ScanProgressWindow::~ScanProgressWindow() = default;

void ScanProgressWindow::update(int page, int lines, int total) {
    QString text = QStringLiteral("正在扫描第 %1 页……\n").arg(page);
    text += total < 0 ? QStringLiteral("已读入 %1 行").arg(lines)
                      : QStringLiteral("已读入 %1 / %2 行").arg(lines).arg(total);
    m_window->setLabelText(text);
    // An unknown length shows a busy bar.
    m_bar->setRange(0, std::max(total, 0));
    m_bar->setValue(total < 0 ? 0 : std::min(lines, total));
    m_window->repaint();
    processOwnEvents(true);
}

} // namespace wo::dialogs
