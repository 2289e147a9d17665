#pragma once

#include <QImage>
#include <QString>

namespace wo::imaging {

// A small picture such as FileType.INI's icons name: by Qt's image readers, or for a
// Windows metafile (WMF, EMF, told by its content) by ImageMagick where it has a
// reader for that kind (WMF through libwmf).
struct Picture {
    enum class State {
        Read,
        // Not a picture, or damaged.
        Unreadable,
        // A metafile of a kind no library here reads.
        NoReader,
    };
    State state = State::Unreadable;
    QImage image;
};

Picture readPicture(const QString& path);

} // namespace wo::imaging
