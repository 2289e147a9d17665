#include "ui/common/WindowParts.h"

#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "settings/MyInit.h"
#include "store/ShellPrinter.h"
#include "transfer/ModDownLoadFile.h"
#include "ui/common/ListItem.h"
#include "ui/common/Twips.h"

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
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

void setUpDocumentList(QTreeWidget* list, const QStringList& headers, int numberWidth, int nameWidth,
                       const QWidget* window) {
    list->setColumnCount(ListItem::ColumnCount);
    list->setHeaderLabels(headers);
    list->setColumnWidth(ListItem::Number, twips(numberWidth, window));
    list->setColumnWidth(ListItem::Name, twips(nameWidth, window));
    list->setColumnHidden(ListItem::Type, true);
    list->setColumnHidden(ListItem::Path, true);
    list->header()->setStretchLastSection(false);
    // The name takes what the sequence number leaves, so the list never scrolls sideways
    // and its first column stays in view.
    list->header()->setSectionResizeMode(ListItem::Name, QHeaderView::Stretch);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
}

namespace {

class KeyMoves final : public QObject {
public:
    KeyMoves(QTreeWidget* list, std::function<void(QTreeWidgetItem*)> moved)
        : QObject(list), m_list(list), m_moved(std::move(moved)) {
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                           key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
        // The view moves its current item between the key's press and its release.
        if (moves && event->type() == QEvent::KeyPress) {
            m_before = m_list->currentItem();
        } else if (moves && m_list->currentItem() != m_before) {
            m_before = m_list->currentItem();
            if (m_before)
                m_moved(m_list->currentItem());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTreeWidget* m_list;
    std::function<void(QTreeWidgetItem*)> m_moved;
    const QTreeWidgetItem* m_before = nullptr;
};

} // namespace

void onKeyMove(QTreeWidget* list, std::function<void(QTreeWidgetItem*)> moved) {
    new KeyMoves(list, std::move(moved));
}

void onEmptyDoubleClick(QTreeWidget* list, std::function<void()> act) {
    class EmptyDoubleClick final : public QObject {
    public:
        EmptyDoubleClick(QTreeWidget* list, std::function<void()> act)
            : QObject(list), m_list(list), m_act(std::move(act)) {
            list->viewport()->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonDblClick &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                !m_list->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
                m_act();
            return QObject::eventFilter(watched, event);
        }

    private:
        QTreeWidget* m_list;
        std::function<void()> m_act;
    };
    new EmptyDoubleClick(list, std::move(act));
}

QString fetchLocalCopy(QTreeWidgetItem* item, StatusPanels& panels) {
    const QString cached = ListItem::cachePath(item);
    if (!cached.isEmpty())
        return cached;
    panels.setText(1, kDownloading);
    const auto ready = qScopeGuard([&panels] { panels.setText(1, kReady); });
    const QString fetched = transfer::fetchToCache(ListItem::document(item), MyInit::storage());
    if (!fetched.isEmpty())
        ListItem::setCachePath(item, fetched);
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
