#include "imaging/SaneScanner.h"

#include "imaging/ScanHelper.h"
#include "imaging/TiffPageWriter.h"
#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace wo::imaging {

namespace {

Error invalidValue(const char* setting, int value) {
    return err::make(err::InvalidPropertyValue,
                     QStringLiteral("%1 = %2").arg(QLatin1String(setting)).arg(value));
}

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
        throw err::make(err::InvalidPropertyValue, QStringLiteral("没有指定扫描文件"));
    if (QFileInfo::exists(m_file) && !QFile::remove(m_file))
        throw err::make(err::PermissionDenied, m_file);
    // Tried first: a scan that could not be saved is refused before paper moves.
    { const TiffPageWriter probe(m_file); }

    const QList<dialogs::ScanDevice> devices = ScanHelper::devices();
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

    const auto progress = dialogs::current().scanProgress(m_parent);
    ScanHelper::scan(settings, m_file, *progress);
}

} // namespace wo::imaging
