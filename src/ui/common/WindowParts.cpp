#include "ui/common/WindowParts.h"

#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "settings/MyInit.h"
#include "store/ShellPrinter.h"
#include "transfer/ModDownLoadFile.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/Twips.h"

#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QScopeGuard>
#include <QStatusBar>

namespace wo::ui {

StatusPanels::StatusPanels(QStatusBar* bar, const std::array<int, 3>& widths, const QWidget* window) {
    bar->setSizeGripEnabled(false);
    for (size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(bar);
        m_panels[i]->setObjectName(QStringLiteral("StaBarPanel%1").arg(i + 1));
        m_panels[i]->setFixedWidth(twips(widths[i], window));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(m_panels[i]);
    }
    m_panels[0]->setText(kReady);
    m_panels[2]->setText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
}

QString StatusPanels::text(int panel) const {
    return m_panels.at(size_t(panel - 1))->text();
}

void StatusPanels::setText(int panel, const QString& text) {
    QLabel* label = m_panels.at(size_t(panel - 1));
    label->setText(text);
    // Commands block the event loop while they work: their texts show at once.
    label->repaint();
}

BusyState::BusyState(QWidget* window, StatusPanels* panels, int panel, const QString& text)
    : m_window(window), m_panels(panels), m_panel(panel) {
    m_window->setCursor(Qt::WaitCursor);
    if (m_panels) {
        m_before = m_panels->text(m_panel);
        m_panels->setText(m_panel, text);
    }
}

BusyState::~BusyState() {
    m_window->unsetCursor();
    if (m_panels)
        m_panels->setText(m_panel, m_before);
}

QString fetchLocalCopy(DocumentModel& documents, int row, StatusPanels& panels) {
    const QString cached = documents.cachePath(row);
    if (!cached.isEmpty())
        return cached;
    panels.setText(1, kDownloading);
    documents.setLoadState(row, LoadState::Fetching);
    // A fetch that throws has failed as surely as one that says so.
    auto failed = qScopeGuard([&documents, row] { documents.setLoadState(row, LoadState::Failed); });
    const auto ready = qScopeGuard([&panels] { panels.setText(1, kReady); });
    const QString fetched = transfer::fetchToCache(documents.document(row), MyInit::storage());
    if (!fetched.isEmpty()) {
        documents.setCachePath(row, fetched);
        failed.dismiss();
    }
    return fetched;
}

void printShownImage(imaging::ImageViewWidget& view, imaging::ImageAdminDialog& admin) {
    admin.setImageFile(view.imageFile());
    admin.showPrintDialog();
    const bool chosen = admin.printRange() == 0 || admin.printRange() == 1;
    const int first = chosen ? admin.printFirstPage() : view.currentPage();
    const int last = chosen ? admin.printLastPage() : view.currentPage();
    // The view holds the printer only while it prints: the dialog may be replaced.
    view.setPrinter(&admin.printer());
    const auto release = qScopeGuard([&view] { view.setPrinter(nullptr); });
    view.printPages(static_cast<qint16>(first), static_cast<qint16>(last), admin.printFormat());
}

void printThroughShell(const QString& file, QWidget* owner) {
    store::ShellPrinter printer;
    printer.setFileName(file);
    printer.setOwnerForm(owner);
    printer.PrintToView();
}

} // namespace wo::ui
