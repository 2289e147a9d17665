#include "ui/viewer/PageStrip.h"

#include <QPixmap>

namespace wo::ui {

namespace {

// Room around a thumbnail for its page number and the mark of the current page.
constexpr int kMargin = 8;
constexpr int kNumberHeight = 20;
// The colour of the marks on the page itself.
const QColor kHitPage(255, 200, 0, 140);

} // namespace

PageStrip::PageStrip(const QString& cacheFolder, QWidget* parent)
    : QListWidget(parent), m_cache(cacheFolder) {
    setObjectName(QStringLiteral("PageStrip"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setIconSize(QSize(imaging::ThumbnailCache::Side, imaging::ThumbnailCache::Side));
    setGridSize(QSize(imaging::ThumbnailCache::Side + kMargin,
                      imaging::ThumbnailCache::Side + kMargin + kNumberHeight));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit pageChosen(row(item) + 1); });
}

// The drawing thread ends before the list it posts to goes.
PageStrip::~PageStrip() {
    m_builder.reset();
}

void PageStrip::setDocument(const QString& id, const QString& path, int pages) {
    const int listed = path.isEmpty() ? 0 : pages;
    if (id == m_id && path == m_path && count() == listed)
        return;
    m_builder.reset();
    ++m_generation;
    m_id = id;
    m_path = path;
    clear();
    for (int page = 1; page <= listed; ++page)
        addItem(QString::number(page));
    if (!isHidden())
        startDrawing();
}

void PageStrip::setCurrentPage(int page) {
    if (page < 1 || page > count())
        return;
    setCurrentRow(page - 1);
    scrollToItem(item(page - 1));
}

void PageStrip::markPages(const QList<int>& pages) {
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* page = item(i);
        const bool hit = pages.contains(i + 1);
        page->setBackground(hit ? QBrush(kHitPage) : QBrush());
        QFont font = page->font();
        font.setBold(hit);
        page->setFont(font);
    }
}

bool PageStrip::isMarked(int page) const {
    return page >= 1 && page <= count() && item(page - 1)->background().style() != Qt::NoBrush;
}

void PageStrip::open(bool on) {
    setVisible(on);
    if (on)
        startDrawing();
    else
        m_builder.reset();
}

void PageStrip::startDrawing() {
    m_builder.reset();
    if (count() == 0)
        return;
    // Pages drawn before come back from the disk cache at once.
    m_builder = std::make_unique<imaging::ThumbnailBuilder>(
        m_cache, m_id, m_path, count(),
        [this, generation = m_generation](int index, const QImage& thumbnail) {
            QMetaObject::invokeMethod(
                this, [this, generation, index, thumbnail] { place(generation, index, thumbnail); },
                Qt::QueuedConnection);
        });
}

void PageStrip::place(int generation, int index, const QImage& thumbnail) {
    // A page that cannot be read keeps its number alone.
    if (generation == m_generation && index < count() && !thumbnail.isNull())
        item(index)->setIcon(QPixmap::fromImage(thumbnail));
}

} // namespace wo::ui
