#include "imaging/ThumbnailCache.h"

#include "imaging/PageDocument.h"
#include "imaging/PageDrawing.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <algorithm>
#include <exception>

namespace wo::imaging {

namespace {

QImage drawThumbnail(const QString& path, int index) {
    PageDocument doc(path);
    const auto scaleOf = [](QSize page) {
        return std::min(1.0, double(ThumbnailCache::Side) / std::max({1, page.width(), page.height()}));
    };
    const PageDocument::ViewPage page = doc.pageForView(index, scaleOf);
    const double scale = scaleOf(page.size);
    const QRect whole(QPoint(), (QSizeF(page.size) * scale).toSize().expandedTo({1, 1}));
    QImage drawn = page.image.isNull() ? doc.drawPart(index, scale, whole)
                                       : drawing::drawRaster(page.image, page.size, scale, whole);
    // Grey pages, bilevel ones shrunk to grey among them, are kept with one byte a pixel.
    return drawn.isGrayscale() ? drawn.convertToFormat(QImage::Format_Grayscale8)
                               : drawn.convertToFormat(QImage::Format_RGB32);
}

} // namespace

ThumbnailCache::ThumbnailCache(QString folder) : m_folder(std::move(folder)) {
    if (!QFileInfo(m_folder).isDir() && QDir().mkpath(m_folder))
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString ThumbnailCache::fileFor(const QString& id, qint64 fileSize, int index) const {
    return m_folder + QStringLiteral("/%1-%2-%3.png").arg(id).arg(fileSize).arg(index + 1);
}

QImage ThumbnailCache::thumbnail(const QString& id, const QString& path, int index) const {
    const QString kept = fileFor(id, QFileInfo(path).size(), index);
    if (QImage image(kept, "png"); !image.isNull())
        return image;
    QImage image;
    // A page that cannot be read has no thumbnail; the view says why when it is shown.
    try {
        image = drawThumbnail(path, index);
    } catch (const std::exception&) {
        return {};
    }
    // An ID that is no plain name keeps nothing: the name would lead elsewhere.
    if (!id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.startsWith(QLatin1Char('.'))) {
        QSaveFile file(kept);
        if (file.open(QIODevice::WriteOnly) && image.save(&file, "png"))
            file.commit();
    }
    return image;
}

ThumbnailBuilder::ThumbnailBuilder(const ThumbnailCache& cache, QString id, QString path, int pages,
                                   Ready ready)
    : m_thread([this, cache, id = std::move(id), path = std::move(path), pages, ready = std::move(ready)] {
          for (int index = 0; index < pages && !m_stop; ++index)
              ready(index, cache.thumbnail(id, path, index));
      }) {}

ThumbnailBuilder::~ThumbnailBuilder() {
    m_stop = true;
    m_thread.join();
}

} // namespace wo::imaging
