#include "imaging/ScanBatch.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <vector>

namespace wo::imaging {

namespace {

// The writer's page for the scanner's parameters; formats we do not write are errors.
TiffPageWriter::Page pageOf(const SANE_Parameters& p, double dpi) {
    const int samples = p.format == SANE_FRAME_RGB ? 3 : 1;
    const bool singlePass = (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) && p.last_frame;
    const bool depth = p.depth == 8 || p.depth == 16 || (p.depth == 1 && samples == 1);
    const bool sized = p.pixels_per_line > 0 &&
                       qint64(p.bytes_per_line) * 8 >= qint64(p.pixels_per_line) * samples * p.depth;
    if (!singlePass || !depth || !sized)
        throw saneError(SANE_STATUS_UNSUPPORTED,
                        QStringLiteral("不支持的页面格式：帧 %1，%2 位").arg(int(p.format)).arg(p.depth));
    using Kind = TiffPageWriter::Kind;
    return {p.depth == 1   ? Kind::Bilevel
            : samples == 3 ? Kind::Rgb
                           : Kind::Gray,
            p.pixels_per_line, p.lines, p.depth, dpi};
}

} // namespace

bool scanBatch(SaneDevice& device, TiffPageWriter& writer, double dpi, int pages,
               dialogs::ScanProgress& progress) {
    std::vector<SANE_Byte> buffer(64 * 1024);
    for (int page = 1;; ++page) {
        const SANE_Status started = device.start();
        // An empty feeder after the first page is the batch's normal end.
        if (started == SANE_STATUS_NO_DOCS && page > 1)
            return true;
        if (started == SANE_STATUS_CANCELLED)
            return false;
        if (started != SANE_STATUS_GOOD)
            throw saneError(started, QStringLiteral("开始扫描第 %1 页").arg(page));
        const SANE_Parameters p = device.parameters();
        writer.beginPage(pageOf(p, dpi));
        QByteArray line(p.bytes_per_line, '\0');
        int filled = 0;
        int lines = 0;
        progress.update(page, 0, p.lines);
        for (;;) {
            if (progress.cancelled())
                return false;
            SANE_Int length = 0;
            const SANE_Status status = device.read(buffer.data(), SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_CANCELLED)
                return false;
            if (status == SANE_STATUS_EOF)
                break;
            // Reads end anywhere; lines are cut by the device's line length.
            for (SANE_Int at = 0; at < length;) {
                const int n = std::min(length - at, p.bytes_per_line - filled);
                std::memcpy(line.data() + filled, buffer.data() + at, size_t(n));
                filled += n;
                at += n;
                if (filled == p.bytes_per_line) {
                    writer.writeLine(reinterpret_cast<const uchar*>(line.constData()));
                    ++lines;
                    filled = 0;
                }
            }
            progress.update(page, lines, p.lines);
        }
        writer.endPage();
        // Closing the device ends the batch after the last sheet wanted.
        if (page == pages)
            return true;
    }
}

} // namespace wo::imaging
