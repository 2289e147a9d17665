#pragma once

#include "wo_internal_export.h"

#include <QImage>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace wo::imaging {

// Small pictures of a document's pages, kept on disk so that a second opening shows
// them at once. A thumbnail is keyed by the document's ID, the size of its file and
// the page, so a document whose file changes is drawn again. Pages are drawn from a
// reduced decode (JPEG coded TIFF pages at 1/8), bilevel pages shrunk to grey.
class WO_INTERNAL ThumbnailCache {
public:
    // The longest side of a thumbnail, in pixels.
    static constexpr int Side = 128;

    // Thumbnails live in `folder`, made with mode 0700 when missing. It must lie in a
    // folder only the user can write (the download cache): names there are trusted.
    explicit ThumbnailCache(QString folder);

    // Page `index` (from 0) of the document `id` whose local copy is `path`: from the
    // disk when kept, else drawn and kept, written under a fresh name and renamed into
    // place. A null image when the page cannot be read.
    QImage thumbnail(const QString& id, const QString& path, int index) const;
    // Where that thumbnail is kept.
    QString fileFor(const QString& id, qint64 fileSize, int index) const;

private:
    QString m_folder;
};

// Draws a document's thumbnails on a thread of its own, first page first, handing
// each to `ready` on that thread. Stops early when destroyed.
class WO_INTERNAL ThumbnailBuilder {
public:
    using Ready = std::function<void(int index, const QImage& thumbnail)>;
    ThumbnailBuilder(const ThumbnailCache& cache, QString id, QString path, int pages, Ready ready);
    ~ThumbnailBuilder();
    ThumbnailBuilder(const ThumbnailBuilder&) = delete;
    ThumbnailBuilder& operator=(const ThumbnailBuilder&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace wo::imaging
