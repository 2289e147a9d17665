#include "Modal.h"
#include "Sandbox.h"
#include "SaneTestDevice.h"
#include "TestFiles.h"
#include "dialogs/QtDialogs.h"
#include "dialogs/ScanDialogs.h"
#include "dialogs/ScriptedDialogs.h"
#include "imaging/PageDocument.h"
#include "imaging/SaneDevice.h"
#include "imaging/SaneScanner.h"
#include "imaging/TiffPageWriter.h"
#include "platform/Error.h"
#include "platform/profile/ScanFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <tiffio.h>

using namespace wo;
using dialogs::ScanColor;
using dialogs::ScanSource;
using dialogs::ScriptedDialogs;
using dialogs::ScriptedDialogsScope;
using imaging::SaneScanner;
using imaging::TiffPageWriter;
using Kind = ScriptedDialogs::Kind;
using Options = test::SaneTestDevice::Options;

Q_DECLARE_METATYPE(ScanColor)
Q_DECLARE_METATYPE(ScanSource)
Q_DECLARE_METATYPE(Options)

namespace {

const QString kScanName = QStringLiteral("00000001.TIF");
const Options kGrid{{"test-picture", "\"Grid\""}};

struct TiffPage {
    uint32_t width = 0, height = 0, subfile = 0, rowsPerStrip = 0;
    uint16_t bits = 0, samples = 0, photometric = 0, compression = 0, predictor = 0, page = 0, pages = 0;
    uint16_t unit = 0;
    float xres = 0, yres = 0;
};

QList<TiffPage> readTiff(const QString& path) {
    QList<TiffPage> pages;
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!t)
        return pages;
    do {
        TiffPage p;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.width);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.height);
        TIFFGetField(t, TIFFTAG_SUBFILETYPE, &p.subfile);
        TIFFGetField(t, TIFFTAG_ROWSPERSTRIP, &p.rowsPerStrip);
        TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &p.bits);
        TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &p.samples);
        TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p.photometric);
        TIFFGetField(t, TIFFTAG_COMPRESSION, &p.compression);
        TIFFGetFieldDefaulted(t, TIFFTAG_PREDICTOR, &p.predictor);
        TIFFGetField(t, TIFFTAG_PAGENUMBER, &p.page, &p.pages);
        TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &p.unit);
        TIFFGetField(t, TIFFTAG_XRESOLUTION, &p.xres);
        TIFFGetField(t, TIFFTAG_YRESOLUTION, &p.yres);
        pages << p;
    } while (TIFFReadDirectory(t));
    TIFFClose(t);
    return pages;
}

// The same page as SANE's own command-line frontend reads it.
QImage referencePage(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("scanimage"),
            QStringList{QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")} +
                args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning() << "scanimage:" << p.readAllStandardError();
    return QImage::fromData(p.readAllStandardOutput());
}

QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// Writes the settings as the list window does, then scans.
void scan(SaneScanner& scanner, const QString& file, qint16 color, qint16 resolution, qint16 source,
          bool dialog = true) {
    scanner.setShowDialog(dialog);
    scanner.setColorMode(color);
    scanner.setImageFile(file);
    scanner.setResolutionCode(resolution);
    scanner.setPageSource(source);
    scanner.startScan();
}

// The error f throws; number 0 when it throws none.
Error caught(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, QString());
}

} // namespace

class TestScanner : public QObject {
    Q_OBJECT
private slots:
    void feederBatch();
    void feederPageLimit();
    void pageFormats_data();
    void pageFormats();
    void cancelled_data();
    void cancelled();
    void noDevice();
    void unwritableTarget_data();
    void unwritableTarget();
    void deviceErrors_data();
    void deviceErrors();
    void dialogDefaults_data();
    void dialogDefaults();
    void dialogAnswerUsed();
    void invalidSettings_data();
    void invalidSettings();
    void withoutDialog();
    void qtSettingsDialog_data();
    void qtSettingsDialog();
    void qtProgressWindow();
    void sessionsCounted();
    void scanFolder();
    void pageWriter_data();
    void pageWriter();
};

void TestScanner::feederBatch() {
    test::Sandbox box;
    test::SaneTestDevice device(kGrid);
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings({.color = ScanColor::Lineart});
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, 3, 6, 1);

    // The test device's feeder holds ten sheets.
    const QList<TiffPage> pages = readTiff(file);
    QCOMPARE(pages.size(), 10);
    for (int i = 0; i < pages.size(); ++i) {
        const TiffPage& p = pages.at(i);
        QCOMPARE(p.compression, uint16_t(COMPRESSION_CCITTFAX4));
        QCOMPARE(p.photometric, uint16_t(PHOTOMETRIC_MINISWHITE));
        QCOMPARE(p.bits, uint16_t(1));
        QCOMPARE(p.subfile, uint32_t(FILETYPE_PAGE));
        QCOMPARE(p.page, uint16_t(i));
        QCOMPARE(p.unit, uint16_t(RESUNIT_INCH));
        QCOMPARE(p.xres, 300.f);
        QCOMPARE(p.yres, 300.f);
        QCOMPARE(p.rowsPerStrip, p.height);
    }
    imaging::PageDocument doc(file);
    QCOMPARE(doc.pageCount(), 10);
    const QImage reference =
        referencePage({"--mode", "Gray", "--depth", "1", "--resolution", "300", "--test-picture", "Grid"});
    QCOMPARE(comparable(doc.page(9)), comparable(reference));
    QCOMPARE(test::tree(box.path()), QStringList{kScanName});
    QCOMPARE(dialogs->calls(Kind::ScanProgress).value(0).pages, 10);
    QCOMPARE(dialogs->unansweredCount(), 0);
}

void TestScanner::feederPageLimit() {
    test::Sandbox box;
    test::SaneTestDevice device(kGrid);
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings({.color = ScanColor::Lineart, .pages = 3});
    dialogs->queueScanSettings({.color = ScanColor::Lineart, .pages = 3});
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, 3, 6, 1);
    QCOMPARE(readTiff(file).size(), 3);
    // The batch ended with the device: the next scan starts on a full feeder again.
    scan(scanner, file, 3, 6, 1);
    QCOMPARE(readTiff(file).size(), 3);
    QCOMPARE(dialogs->calls(Kind::ScanSettings).first().scan.pages, 0);
    // A flatbed gives its one page whatever the limit.
    dialogs->queueScanSettings({.color = ScanColor::Lineart, .source = ScanSource::Flatbed, .pages = 3});
    scan(scanner, file, 3, 6, 1);
    QCOMPARE(readTiff(file).size(), 1);
}

void TestScanner::pageFormats_data() {
    QTest::addColumn<qint16>("color");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QStringList>("reference");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("photometric");
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("lost");

    const QStringList at100{"--resolution", "100", "--test-picture"};
    QTest::newRow("lineart") << qint16(1) << kGrid
                             << QStringList{"--mode", "Gray", "--depth", "1"} + at100 + QStringList{"Grid"}
                             << 1 << 1 << PHOTOMETRIC_MINISWHITE << COMPRESSION_CCITTFAX4 << 0;
    QTest::newRow("grey") << qint16(2) << Options{{"test-picture", "\"Color pattern\""}}
                          << QStringList{"--mode", "Gray"} + at100 + QStringList{"Color pattern"} << 8 << 1
                          << PHOTOMETRIC_MINISBLACK << COMPRESSION_ADOBE_DEFLATE << 0;
    QTest::newRow("colour") << qint16(3) << Options{{"test-picture", "\"Color pattern\""}}
                            << QStringList{"--mode", "Color"} + at100 + QStringList{"Color pattern"} << 8 << 3
                            << PHOTOMETRIC_RGB << COMPRESSION_ADOBE_DEFLATE << 0;
    // A hand scanner does not know a page's length before its end.
    QTest::newRow("lineart, length unknown")
        << qint16(1) << Options{{"test-picture", "\"Grid\""}, {"hand-scanner", "true"}}
        << QStringList{"--mode", "Gray", "--depth", "1", "--hand-scanner=yes"} + at100 + QStringList{"Grid"}
        << 1 << 1 << PHOTOMETRIC_MINISWHITE << COMPRESSION_CCITTFAX4 << 0;
    QTest::newRow("colour, length unknown")
        << qint16(3) << Options{{"test-picture", "\"Color pattern\""}, {"hand-scanner", "true"}}
        << QStringList{"--mode", "Color", "--hand-scanner=yes"} + at100 + QStringList{"Color pattern"} << 8
        << 3 << PHOTOMETRIC_RGB << COMPRESSION_ADOBE_DEFLATE << 0;
    // Lines longer than their pixels: the device sends the same lines as without
    // the loss and declares the last pixels of each unused.
    QTest::newRow("grey, padded lines")
        << qint16(2) << Options{{"test-picture", "\"Color pattern\""}, {"ppl-loss", "7"}}
        << QStringList{"--mode", "Gray", "--ppl-loss", "0"} + at100 + QStringList{"Color pattern"} << 8 << 1
        << PHOTOMETRIC_MINISBLACK << COMPRESSION_ADOBE_DEFLATE << 7;
}

void TestScanner::pageFormats() {
    QFETCH(qint16, color);
    QFETCH(Options, options);
    QFETCH(QStringList, reference);
    QFETCH(int, bits);
    QFETCH(int, samples);
    QFETCH(int, photometric);
    QFETCH(int, compression);
    QFETCH(int, lost);

    test::Sandbox box;
    test::SaneTestDevice device(options);
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings();
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, color, 3, 0);

    const QList<TiffPage> pages = readTiff(file);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(int(pages[0].bits), bits);
    QCOMPARE(int(pages[0].samples), samples);
    QCOMPARE(int(pages[0].photometric), photometric);
    QCOMPARE(int(pages[0].compression), compression);
    if (compression == COMPRESSION_ADOBE_DEFLATE)
        QCOMPARE(pages[0].predictor, uint16_t(PREDICTOR_HORIZONTAL));
    QCOMPARE(pages[0].xres, 100.f);

    imaging::PageDocument doc(file);
    QCOMPARE(doc.pageCount(), 1);
    const QImage page = doc.page(0);
    QCOMPARE(qRound(page.dotsPerMeterX() * 0.0254), 100);
    const QImage expected = referencePage(reference);
    QVERIFY(!expected.isNull());
    QCOMPARE(page.size(), QSize(expected.width() - lost, expected.height()));
    QCOMPARE(comparable(page), comparable(expected.copy(page.rect())));
}

void TestScanner::cancelled_data() {
    QTest::addColumn<bool>("dialogAnswered");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("lines");

    QTest::newRow("Cancel in the settings dialog") << true << 0 << 0;
    QTest::newRow("settings dialog closed") << false << 0 << 0;
    QTest::newRow("as the first page starts") << true << 1 << 0;
    QTest::newRow("within the first page") << true << 1 << 200;
    QTest::newRow("after the first page") << true << 2 << 0;
    QTest::newRow("within the third page") << true << 3 << 50;
}

void TestScanner::cancelled() {
    QFETCH(bool, dialogAnswered);
    QFETCH(int, page);
    QFETCH(int, lines);

    test::Sandbox box;
    test::SaneTestDevice device(kGrid);
    ScriptedDialogsScope dialogs;
    if (dialogAnswered)
        dialogs->queueScanSettings({.accept = page > 0});
    if (page > 0)
        dialogs->queueScanCancel(page, lines);
    // A file left from an earlier scan must not pass for this one's.
    const QString file = box.writeFile(kScanName, "earlier scan");
    SaneScanner scanner;
    scan(scanner, file, 1, 6, 1);

    QVERIFY(test::tree(box.path()).isEmpty());
    QVERIFY(dialogs->calls(Kind::MessageBox).isEmpty());
    QCOMPARE(dialogs->calls(Kind::ScanProgress).size(), page > 0 ? 1 : 0);
    QCOMPARE(dialogs->pendingCount(), 0);
}

void TestScanner::noDevice() {
    test::Sandbox box;
    test::SaneTestDevice device({}, test::SaneTestDevice::Backends::None);
    ScriptedDialogsScope dialogs;
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, 3, 6, 1);

    QVERIFY(test::tree(box.path()).isEmpty());
    const auto calls = dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, Kind::MessageBox);
    QCOMPARE(calls[0].text, SaneScanner::kNoScanner);
    QCOMPARE(calls[0].icon, dialogs::Icon::Exclamation);
    QCOMPARE(calls[0].buttons, dialogs::Buttons::OK);
}

void TestScanner::unwritableTarget_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("number");

    QTest::newRow("read-only folder") << "readonly" << int(err::PermissionDenied);
    QTest::newRow("no such folder") << "missing/deeper" << int(TiffPageWriter::PathNotFound);
}

void TestScanner::unwritableTarget() {
    QFETCH(QString, folder);
    QFETCH(int, number);

    test::Sandbox box;
    test::SaneTestDevice device(kGrid);
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings();
    QString dir = box.path(folder);
    if (number == err::PermissionDenied) {
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        // The superuser writes anywhere but in sysfs.
        if (QFile probe(dir + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            dir = QStringLiteral("/sys");
        }
    }
    const QString file = dir + QLatin1Char('/') + kScanName;
    SaneScanner scanner;
    const Error e = caught([&] { scan(scanner, file, 1, 6, 1); });
    QCOMPARE(e.number(), number);
    QVERIFY2(e.description().contains(dir), qPrintable(e.description()));
    QVERIFY(!QFileInfo::exists(file));
    // Refused before the user is asked anything.
    QVERIFY(dialogs->calls().isEmpty());
    QFile::setPermissions(box.path(folder), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestScanner::deviceErrors_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("number");

    QTest::newRow("jammed") << QByteArray("SANE_STATUS_JAMMED") << 31006;
    QTest::newRow("cover open") << QByteArray("SANE_STATUS_COVER_OPEN") << 31008;
    QTest::newRow("input/output error") << QByteArray("SANE_STATUS_IO_ERROR") << 31009;
    QTest::newRow("access denied") << QByteArray("SANE_STATUS_ACCESS_DENIED") << 31011;
}

void TestScanner::deviceErrors() {
    QFETCH(QByteArray, status);
    QFETCH(int, number);

    test::Sandbox box;
    test::SaneTestDevice device({{"read-status-code", '"' + status + '"'}});
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings();
    const QString file = box.writeFile(kScanName, "earlier scan");
    SaneScanner scanner;
    const Error e = caught([&] { scan(scanner, file, 1, 6, 1); });
    QCOMPARE(e.number(), number);
    QVERIFY2(e.description().startsWith(err::description(number) + QStringLiteral("：（读取扫描数据）")),
             qPrintable(e.description()));
    QVERIFY(test::tree(box.path()).isEmpty());
}

void TestScanner::dialogDefaults_data() {
    QTest::addColumn<qint16>("color");
    QTest::addColumn<qint16>("resolution");
    QTest::addColumn<qint16>("source");
    QTest::addColumn<ScanColor>("expectedColor");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<ScanSource>("expectedSource");

    QTest::newRow("as the list window writes")
        << qint16(3) << qint16(6) << qint16(1) << ScanColor::Color << 300 << ScanSource::Feeder;
    QTest::newRow("lineart, lowest, flatbed")
        << qint16(1) << qint16(1) << qint16(0) << ScanColor::Lineart << 50 << ScanSource::Flatbed;
    QTest::newRow("grey, highest") << qint16(2) << qint16(9) << qint16(1) << ScanColor::Gray << 1200
                                   << ScanSource::Feeder;
}

void TestScanner::dialogDefaults() {
    QFETCH(qint16, color);
    QFETCH(qint16, resolution);
    QFETCH(qint16, source);
    QFETCH(ScanColor, expectedColor);
    QFETCH(int, dpi);
    QFETCH(ScanSource, expectedSource);

    test::Sandbox box;
    test::SaneTestDevice device;
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings({.accept = false});
    SaneScanner scanner;
    scan(scanner, box.path(kScanName), color, resolution, source);

    const auto calls = dialogs->calls(Kind::ScanSettings);
    QCOMPARE(calls.size(), 1);
    const dialogs::ScanSettings& offered = calls[0].scan;
    QCOMPARE(offered.color, expectedColor);
    QCOMPARE(offered.resolution, dpi);
    QCOMPARE(offered.source, expectedSource);
    QCOMPARE(offered.device, QStringLiteral("test:0"));
    QCOMPARE(offered.devices.size(), 2);
    QCOMPARE(offered.devices[1].name, QStringLiteral("test:1"));
    QCOMPARE(offered.devices[1].description, QStringLiteral("Noname frontend-tester"));
    QCOMPARE(offered.resolutions, (QList<int>{50, 75, 100, 150, 200, 300, 400, 600, 1200}));
}

void TestScanner::dialogAnswerUsed() {
    test::Sandbox box;
    test::SaneTestDevice device(kGrid);
    ScriptedDialogsScope dialogs;
    dialogs->queueScanSettings({.device = QStringLiteral("test:1"),
                                .color = ScanColor::Gray,
                                .resolution = 75,
                                .source = ScanSource::Flatbed});
    dialogs->queueScanSettings({.accept = false});
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, 3, 6, 1);

    const QList<TiffPage> pages = readTiff(file);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].bits, uint16_t(8));
    QCOMPARE(pages[0].samples, uint16_t(1));
    QCOMPARE(pages[0].xres, 75.f);
    // The device chosen is the next scan's default.
    QCOMPARE(scanner.device(), QStringLiteral("test:1"));
    scan(scanner, file, 3, 6, 1);
    QCOMPARE(dialogs->calls(Kind::ScanSettings).value(1).scan.device, QStringLiteral("test:1"));
}

void TestScanner::invalidSettings_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("value");

    QTest::newRow("colour mode 0") << 0 << 0;
    QTest::newRow("colour mode 4") << 0 << 4;
    QTest::newRow("resolution code 0") << 1 << 0;
    QTest::newRow("resolution code 10") << 1 << 10;
    QTest::newRow("page source -1") << 2 << -1;
    QTest::newRow("page source 2") << 2 << 2;
}

void TestScanner::invalidSettings() {
    QFETCH(int, which);
    QFETCH(int, value);
    SaneScanner scanner;
    const std::function<void(qint16)> setters[] = {[&](qint16 v) { scanner.setColorMode(v); },
                                                   [&](qint16 v) { scanner.setResolutionCode(v); },
                                                   [&](qint16 v) { scanner.setPageSource(v); }};
    QCOMPARE(caught([&] { setters[which](qint16(value)); }).number(), int(SaneScanner::InvalidPropertyValue));
}

void TestScanner::withoutDialog() {
    test::Sandbox box;
    test::SaneTestDevice device;
    ScriptedDialogsScope dialogs;
    const QString file = box.path(kScanName);
    SaneScanner scanner;
    scan(scanner, file, 3, 1, 1, false);

    const QList<TiffPage> pages = readTiff(file);
    QCOMPARE(pages.size(), 10);
    QCOMPARE(pages[0].samples, uint16_t(3));
    QCOMPARE(pages[0].xres, 50.f);
    QVERIFY(dialogs->calls(Kind::ScanSettings).isEmpty());
    QCOMPARE(dialogs->calls(Kind::ScanProgress).size(), 1);
}

void TestScanner::qtSettingsDialog_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("Scan pressed") << true;
    QTest::newRow("Cancel pressed") << false;
}

void TestScanner::qtSettingsDialog() {
    QFETCH(bool, accept);
    dialogs::ScanSettings settings;
    settings.devices = {{QStringLiteral("test:0"), QStringLiteral("A")},
                        {QStringLiteral("test:1"), QStringLiteral("B")}};
    settings.resolutions = SaneScanner::resolutions();
    settings.device = QStringLiteral("test:1");
    settings.color = ScanColor::Lineart;
    settings.resolution = 300;
    settings.source = ScanSource::Flatbed;

    QStringList shown;
    test::whenModal([&](QWidget* w) {
        auto* d = qobject_cast<dialogs::ScanSettingsDialog*>(w);
        QVERIFY(d);
        for (QComboBox* c : {d->CboDevice, d->CboColor, d->CboResolution, d->CboSource})
            shown << c->currentText();
        d->CboColor->setCurrentIndex(d->CboColor->findText(QStringLiteral("彩色")));
        d->CboResolution->setCurrentIndex(d->CboResolution->findText(QStringLiteral("600 dpi")));
        d->findChild<QPushButton*>(accept ? QStringLiteral("CmdScan") : QStringLiteral("CmdCancel"))->click();
    });
    const dialogs::ScanSettings before = settings;
    QCOMPARE(dialogs::QtDialogs().scanSettings(nullptr, settings), accept);

    QCOMPARE(shown, (QStringList{"B (test:1)", "黑白", "300 dpi", "平板"}));
    QCOMPARE(settings.color, accept ? ScanColor::Color : before.color);
    QCOMPARE(settings.resolution, accept ? 600 : 300);
    QCOMPARE(settings.device, QStringLiteral("test:1"));
    QCOMPARE(settings.source, ScanSource::Flatbed);
}

void TestScanner::qtProgressWindow() {
    const auto progress = dialogs::QtDialogs().scanProgress(nullptr);
    progress->update(2, 40, 100);
    QProgressDialog* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("ScanProgress") && w->isVisible())
            window = qobject_cast<QProgressDialog*>(w);
    QVERIFY(window);
    QVERIFY(window->findChild<QLabel*>()->text().contains(QStringLiteral("第 2 页")));
    QCOMPARE(window->value(), 40);
    QVERIFY(!progress->cancelled());
    window->findChild<QPushButton*>()->click();
    QVERIFY(progress->cancelled());
}

void TestScanner::sessionsCounted() {
    test::SaneTestDevice device;
    {
        imaging::SaneSession outer;
        { imaging::SaneSession inner; }
        // The inner session's end must not end the library under the outer one.
        QCOMPARE(outer.devices().size(), 2);
    }
    // With the last session gone, the next one reads the configuration afresh.
    test::SaneTestDevice none({}, test::SaneTestDevice::Backends::None);
    QCOMPARE(imaging::SaneSession().devices().size(), 0);
}

void TestScanner::scanFolder() {
    QString first;
    {
        test::Sandbox box;
        first = profile::scanFolder();
        QCOMPARE(first, box.path(QStringLiteral("data/wendra-original/scan")));
        QVERIFY(QFileInfo(first).isDir());
        for (const QString& level : {first, QFileInfo(first).path()})
            QCOMPARE(std::filesystem::status(level.toStdString()).permissions(),
                     std::filesystem::perms::owner_all);
        QCOMPARE(profile::scanFolder(), first);

        // Each user's data folder gives a folder of its own.
        test::Sandbox other;
        QVERIFY(profile::scanFolder() != first);

        // A file where the folder should be.
        qputenv("XDG_DATA_HOME", other.writeFile(QStringLiteral("plain"), "x").toLocal8Bit());
        QCOMPARE(caught([] { profile::scanFolder(); }).number(), 75);
    }
}

void TestScanner::pageWriter_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("rows");

    QTest::newRow("complete page") << 4 << 4 << 4;
    QTest::newRow("page ended early: filled with white") << 4 << 2 << 4;
    QTest::newRow("lines past the page dropped") << 4 << 6 << 4;
    QTest::newRow("length unknown") << -1 << 3 << 3;
    QTest::newRow("length unknown, no line: no page") << -1 << 0 << 0;
}

void TestScanner::pageWriter() {
    QFETCH(int, height);
    QFETCH(int, written);
    QFETCH(int, rows);

    QTemporaryDir dir;
    const QString file = dir.filePath(kScanName);
    for (const TiffPageWriter::Kind kind : {TiffPageWriter::Kind::Bilevel, TiffPageWriter::Kind::Gray}) {
        const bool bilevel = kind == TiffPageWriter::Kind::Bilevel;
        QFile::remove(file);
        {
            TiffPageWriter writer(file);
            writer.beginPage({kind, 16, height, bilevel ? 1 : 8, 200});
            // Black lines: all ones for bilevel, zero for grey.
            const QByteArray black(16, bilevel ? '\xff' : '\0');
            for (int i = 0; i < written; ++i)
                writer.writeLine(reinterpret_cast<const uchar*>(black.constData()));
            writer.endPage();
            QCOMPARE(writer.pageCount(), rows > 0 ? 1 : 0);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
            QVERIFY(!QFileInfo::exists(file));
            if (rows > 0)
                writer.commit();
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), rows > 0 ? 1 : 0);
        if (rows == 0)
            continue;
        imaging::PageDocument doc(file);
        const QImage page = comparable(doc.page(0));
        QCOMPARE(page.height(), rows);
        for (int y = 0; y < rows; ++y)
            QCOMPARE(page.pixel(7, y), y < std::min(written, rows) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
}

QTEST_MAIN(TestScanner)
#include "tst_scanner.moc"
