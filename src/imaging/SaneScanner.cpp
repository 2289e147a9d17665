#include "imaging/SaneScanner.h"

#include "imaging/SaneDevice.h"
#include "imaging/TiffPageWriter.h"
#include "platform/dialogs/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <vector>

namespace wo::imaging {

namespace {

Error invalidValue(const char* setting, int value) {
    return Error(SaneScanner::InvalidPropertyValue,
                 QStringLiteral("属性值无效：%1 = %2").arg(QLatin1String(setting)).arg(value));
}

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

// Keeps SIGPIPE from the threads a scanner backend starts while it lives. Backends
// feed pages through a pipe from a reader thread, which writes into the closed pipe
// after a cancel: the signal would end the host's process. The threads inherit this
// thread's mask, so their writes fail with EPIPE instead.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~SigpipeBlock() {
        // One that reached this thread meanwhile is dropped, not delivered on unblocking.
        sigset_t pending;
        sigpending(&pending);
        const timespec now{0, 0};
        if (sigismember(&pending, SIGPIPE))
            sigtimedwait(&m_pipe, nullptr, &now);
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_previous;
};

} // namespace

const QString SaneScanner::kNoScanner = QStringLiteral("未找到扫描仪，请检查扫描仪是否已连接并已打开电源。");

SaneScanner::SaneScanner(QWidget* dialogParent) : m_parent(dialogParent) {}

const QList<int>& SaneScanner::resolutions() {
    static const QList<int> table{50, 75, 100, 150, 200, 300, 400, 600, 1200};
    return table;
}

void SaneScanner::setColorMode(qint16 mode) {
    if (mode < 1 || mode > 3)
        throw invalidValue("ColorMode", mode);
    m_color = dialogs::ScanColor(mode);
}

void SaneScanner::setResolutionCode(qint16 code) {
    if (code < 1 || code > resolutions().size())
        throw invalidValue("ResolutionCode", code);
    m_resolution = resolutions().at(code - 1);
}

void SaneScanner::setPageSource(qint16 source) {
    if (source < 0 || source > 1)
        throw invalidValue("PageSource", source);
    m_source = dialogs::ScanSource(source);
}

void SaneScanner::startScan() {
    if (m_file.isEmpty())
        throw Error(InvalidPropertyValue, QStringLiteral("属性值无效：没有指定扫描文件"));
    if (QFileInfo::exists(m_file) && !QFile::remove(m_file))
        throw Error(err::PermissionDenied, QStringLiteral("拒绝访问：") + m_file);
    // Made first: a scan that could not be saved is refused before paper moves.
    TiffPageWriter writer(m_file);

    const SigpipeBlock quiet;
    SaneSession session;
    const QList<dialogs::ScanDevice> devices = session.devices();
    if (devices.isEmpty()) {
        dialogs::inform(m_parent, kNoScanner, QString(), dialogs::Icon::Exclamation);
        return;
    }
    dialogs::ScanSettings settings;
    settings.devices = devices;
    settings.resolutions = resolutions();
    const bool known = std::any_of(devices.begin(), devices.end(),
                                   [this](const dialogs::ScanDevice& d) { return d.name == m_device; });
    settings.device = known ? m_device : devices.first().name;
    settings.color = m_color;
    settings.resolution = m_resolution;
    settings.source = m_source;
    if (m_showDialog && !dialogs::current().scanSettings(m_parent, settings))
        return;
    m_device = settings.device;

    SaneDevice device(session, settings.device);
    device.setColor(settings.color);
    const bool feeder = device.setSource(settings.source);
    const double dpi = device.setResolution(settings.resolution);
    if (scanPages(device, writer, dpi, feeder ? settings.pages : 1) && writer.pageCount() > 0)
        writer.commit();
}

bool SaneScanner::scanPages(SaneDevice& device, TiffPageWriter& writer, double dpi, int pages) {
    const auto progress = dialogs::current().scanProgress(m_parent);
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
        progress->update(page, 0, p.lines);
        for (;;) {
            if (progress->cancelled())
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
            progress->update(page, lines, p.lines);
        }
        writer.endPage();
        // Closing the device ends the batch after the last sheet wanted.
        if (page == pages)
            return true;
    }
}

} // namespace wo::imaging
