#include "ui/common/WindowParts.h"

#include "entry/MyInit.h"
#include "transfer/ModDownLoadFile.h"
#include "ui/common/ListItem.h"
#include "ui/common/Twips.h"

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTreeWidget>

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

void setUpDocumentList(QTreeWidget* list, const QStringList& headers, int numberWidth, int nameWidth,
                       const QWidget* window) {
    list->setColumnCount(ListItem::ColumnCount);
    list->setHeaderLabels(headers);
    list->setColumnWidth(ListItem::Number, twips(numberWidth, window));
    list->setColumnWidth(ListItem::Name, twips(nameWidth, window));
    list->setColumnHidden(ListItem::Type, true);
    list->setColumnHidden(ListItem::Path, true);
    list->header()->setStretchLastSection(false);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
}

QString fetchLocalCopy(QTreeWidgetItem* item, StatusPanels& panels) {
    const QString cached = ListItem::cachePath(item);
    if (!cached.isEmpty())
        return cached;
    panels.setText(1, kDownloading);
    const auto ready = qScopeGuard([&panels] { panels.setText(1, kReady); });
    return MyInit::FtpMode ? transfer::DownloadToCache(item) : transfer::CopyToCache(item);
}

} // namespace wo::ui
