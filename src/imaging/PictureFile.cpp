#include "imaging/PictureFile.h"

#include "imaging/MagickSetup.h"

#include <Magick++.h>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace wo::imaging {

namespace {

enum class Metafile { None, Wmf, Emf };

Metafile metafileKind(const QByteArray& head) {
    const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(bytes + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes + at); };
    // EMR_HEADER, with " EMF" at its signature.
    if (head.size() >= 44 && u32(0) == 1 && head.mid(40, 4) == " EMF")
        return Metafile::Emf;
    // The placeable header's key, or a bare header: in memory or on disk, 9 words long.
    if (head.size() >= 4 && u32(0) == 0x9AC6CDD7u)
        return Metafile::Wmf;
    if (head.size() >= 6 && (u16(0) == 1 || u16(0) == 2) && u16(2) == 9 &&
        (u16(4) == 0x0100 || u16(4) == 0x0300))
        return Metafile::Wmf;
    return Metafile::None;
}

bool magickReads(const char* format) {
    try {
        return Magick::CoderInfo(format).isReadable();
    } catch (const Magick::Exception&) {
        return false;
    }
}

// From the file's bytes: ImageMagick would read frame numbers and formats into a name.
Picture readWithMagick(const QByteArray& bytes, const char* format) {
    initMagick();
    if (!magickReads(format))
        return {Picture::State::NoReader, {}};
    try {
        Magick::Image image;
        image.quiet(true);
        image.magick(format);
        image.read(Magick::Blob(bytes.constData(), size_t(bytes.size())));
        QImage out(int(image.columns()), int(image.rows()), QImage::Format_RGBA8888);
        if (out.isNull())
            return {};
        image.write(0, 0, image.columns(), image.rows(), "RGBA", Magick::CharPixel, out.bits());
        return {Picture::State::Read, out};
    } catch (const Magick::Exception&) {
        return {};
    }
}

} // namespace

Picture readPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    switch (metafileKind(file.peek(44))) {
    case Metafile::Wmf:
        return readWithMagick(file.readAll(), "WMF");
    case Metafile::Emf:
        return readWithMagick(file.readAll(), "EMF");
    case Metafile::None:
        break;
    }
    file.close();
    QImage image = QImageReader(path).read();
    if (image.isNull())
        return {};
    return {Picture::State::Read, image};
}

} // namespace wo::imaging
