#pragma once

#include "imaging/ThumbnailCache.h"
#include "wo_internal_export.h"

#include <QListWidget>
#include <memory>

namespace wo::ui {

// A column of small pictures of the shown document's pages, one per page, drawn in
// the background first page first and kept in a disk cache. A click on a page asks
// for it through pageChosen; the page the view shows is marked as the current one.
class PageStrip : public QListWidget {
    Q_OBJECT
public:
    // Thumbnails are kept in `cacheFolder` (see imaging::ThumbnailCache).
    PageStrip(const QString& cacheFolder, QWidget* parent);
    ~PageStrip() override;

    // The document whose pages are listed: its ID, the path of its local copy and its
    // page count; an empty path lists nothing. The same document again keeps what is
    // drawn; another one starts afresh.
    void setDocument(const QString& id, const QString& path, int pages);
    // Marks the 1-based page as the current one.
    void setCurrentPage(int page);
    // Marks the 1-based pages that hold the searched term; the others lose the mark.
    void markPages(const QList<int>& pages);
    WO_INTERNAL bool isMarked(int page) const;
    // Shows the strip and draws what is missing, or hides it and stops drawing.
    void open(bool on);

signals:
    // A 1-based page was clicked.
    void pageChosen(int page);

private:
    void startDrawing();
    void place(int generation, int index, const QImage& thumbnail);

    imaging::ThumbnailCache m_cache;
    QString m_id;
    QString m_path;
    // Counts the documents listed, so that a picture of one shown before is dropped.
    int m_generation = 0;
    std::unique_ptr<imaging::ThumbnailBuilder> m_builder;
};

} // namespace wo::ui
