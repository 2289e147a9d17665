#include "TestFiles.h"
#include "TestImages.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PageDocument.h"
#include "imaging/ViewGeometry.h"
#include "platform/Error.h"

#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using wo::imaging::ImageView;
using wo::imaging::ImageViewWidget;
using namespace wo::test;

namespace {

// pdfinfo's "Pages:" and first "Page size:" lines.
struct PdfInfo {
    int pages = 0;
    QSizeF pointSize;
};

PdfInfo pdfInfo(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    process.waitForFinished(60000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    PdfInfo info;
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    const auto size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(out);
    if (pages.hasMatch())
        info.pages = pages.captured(1).toInt();
    if (size.hasMatch())
        info.pointSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return info;
}

// A print dialog the test answers: it sets the range the user would pick.
class AnsweredAdmin final : public wo::imaging::ImageAdminDialog {
public:
    QPrinter::PrintRange range = QPrinter::AllPages;
    int from = 0;
    int to = 0;
    bool accept = true;

protected:
    int execDialog(QPrintDialog& dialog) override {
        dialog.printer()->setPrintRange(range);
        if (range == QPrinter::PageRange)
            dialog.printer()->setFromTo(from, to);
        return accept ? QDialog::Accepted : QDialog::Rejected;
    }
};

// Prints pages first..last of file into the PDF file pdf through printer.
void printToPdf(QPrinter& printer, const QString& file, int first, int last, const QString& pdf) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ImageViewWidget view;
    view.setPrinter(&printer);
    view.setImageFile(file);
    view.printPages(qint16(first), qint16(last), 0);
}

} // namespace

class TestImageView : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_tiff;

    // Widget pixel where the image pixel lands.
    static QPoint onWidget(const ImageViewWidget& view, QPointF imagePixel) {
        return view.imageTransform().map(imagePixel).toPoint();
    }

private slots:
    void initTestCase() {
        m_tiff = m_dir.filePath(QStringLiteral("five.tif"));
        QVERIFY(writeTiff(m_tiff, 5, QStringLiteral("g4")));
    }

    void showsTheCurrentPage() {
        ImageViewWidget view;
        view.resize(240, 160);
        view.setImageFile(m_tiff);
        QCOMPARE(view.pageCount(), 5);
        for (int page : {3, 1, 5}) {
            view.setCurrentPage(page);
            view.showImage();
            QCOMPARE(markerOf(view.grab().toImage()), page);
        }
        view.setCurrentPage(6);
        QVERIFY_THROWS_EXCEPTION(wo::Error, view.showImage());
    }

    void fit_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("rotated");
        QTest::addColumn<QSize>("widget");
        QTest::addColumn<double>("zoom");
        // The page is 240 x 160.
        QTest::newRow("best, wide widget") << int(ImageView::BestFit) << false << QSize(600, 200) << 125.0;
        QTest::newRow("best, tall widget") << int(ImageView::BestFit) << false << QSize(120, 600) << 50.0;
        QTest::newRow("width") << int(ImageView::FitToWidth) << false << QSize(480, 100) << 200.0;
        QTest::newRow("width, turned") << int(ImageView::FitToWidth) << true << QSize(480, 100) << 300.0;
        QTest::newRow("actual") << int(ImageView::ActualSize) << false << QSize(50, 50) << 100.0;
    }
    void fit() {
        QFETCH(int, mode);
        QFETCH(bool, rotated);
        QFETCH(QSize, widget);
        QFETCH(double, zoom);
        ImageViewWidget view;
        view.resize(widget);
        view.setImageFile(m_tiff);
        view.showImage();
        if (rotated)
            view.rotateViewRight();
        view.fitImage(qint16(mode));
        QCOMPARE(view.zoomPercent(), zoom);
        QCOMPARE(view.scrollOffset(), QPointF());
    }

    // Shrunk bilevel pages are grey where a view pixel covers both ink and paper.
    void shrunkBilevelPageBlends() {
        ImageViewWidget view;
        view.resize(60, 40);
        view.setImageFile(m_tiff);
        view.setCurrentPage(2);
        view.showImage();
        view.fitImage(ImageView::FitToWidth);
        QCOMPARE(view.zoomPercent(), 25.0);
        // Square 2 covers image 50..70, 70..90: view 12.5..17.5, 17.5..22.5.
        QImage shown = view.grab().toImage();
        QVERIFY(qGray(shown.pixel(15, 20)) < 32);
        QVERIFY(qGray(shown.pixel(12, 20)) > 64 && qGray(shown.pixel(12, 20)) < 192);
        QVERIFY(qGray(shown.pixel(5, 20)) > 224);
        view.rotateViewRight();
        view.setZoomPercent(25);
        shown = view.grab().toImage();
        QVERIFY(qGray(shown.pixel(onWidget(view, QPointF(60, 80)))) < 32);
        QVERIFY(qGray(shown.pixel(onWidget(view, QPointF(20, 20)))) > 224);
    }

    // Pages shrunk while they are decoded look exactly like pages a paint shrinks,
    // upright or turned, and page after page in one view.
    void shrunkWhileDecodingLooksTheSame_data() {
        QTest::addColumn<int>("turns");
        QTest::newRow("upright") << 0;
        QTest::newRow("turned") << 1;
    }
    void shrunkWhileDecodingLooksTheSame() {
        QFETCH(int, turns);
        // Fitting the whole page differs from fitting the width in this view.
        const QSize widget(90, 40);
        const auto prepare = [&](ImageViewWidget& view) {
            view.resize(widget);
            for (int i = 0; i < turns; ++i)
                view.rotateViewRight();
            view.setImageFile(m_tiff);
        };
        ImageViewWidget early;
        prepare(early);
        for (int page : {2, 3}) {
            early.setCurrentPage(page);
            early.showImage();
            early.fitImage(ImageView::FitToWidth);
            ImageViewWidget late;
            // Having fitted the whole page last, it prepares that, not the width.
            late.fitImage(ImageView::BestFit);
            prepare(late);
            late.setCurrentPage(page);
            late.showImage();
            late.fitImage(ImageView::FitToWidth);
            QCOMPARE(early.grab().toImage(), late.grab().toImage());
        }
    }

    void unknownFitModeIsRefused() {
        ImageViewWidget view;
        QVERIFY_THROWS_EXCEPTION(wo::Error, view.fitImage(2));
    }

    void rotationTurnsThePicture() {
        ImageViewWidget view;
        view.resize(160, 240);
        view.setImageFile(m_tiff);
        view.showImage();
        view.rotateViewRight();
        QCOMPARE(view.rotation(), 1);
        // The page's top-left corner is now at the top right.
        QCOMPARE(onWidget(view, QPointF(0, 0)), QPoint(160, 0));
        const QImage shown = view.grab().toImage();
        QCOMPARE(shown.size(), QSize(160, 240));
        // Square 1 (image 10..30, 70..90) lands at x 70..90, y 10..30.
        QVERIFY(qGray(shown.pixel(80, 20)) < 128);
        view.rotateViewLeft();
        view.rotateViewLeft();
        QCOMPARE(view.rotation(), 3);
        QCOMPARE(onWidget(view, QPointF(0, 0)), QPoint(0, 240));
    }

    // Zoom steps keep the view's centre; the picture's pixels scale with them.
    void zoomSteps() {
        ImageViewWidget view;
        view.resize(240, 160);
        view.setImageFile(m_tiff);
        view.showImage();
        // Beyond the largest zoom the view stops there.
        for (double asked : {200.0, 50.0, 1e5}) {
            view.setZoomPercent(asked);
            const double zoom = std::min(asked, wo::imaging::geometry::MaxZoomPercent);
            QCOMPARE(view.zoomPercent(), zoom);
            QCOMPARE(view.imageTransform().m11(), zoom / 100);
            QCOMPARE(view.imageTransform().inverted().map(QPointF(120, 80)), QPointF(120, 80));
        }
        QCOMPARE(view.grab().toImage().size(), QSize(240, 160));
        QVERIFY_THROWS_EXCEPTION(wo::Error, view.setZoomPercent(0));
    }

    void scrollAndPan() {
        ImageViewWidget view;
        view.resize(100, 100);
        view.setImageFile(m_tiff);
        view.showImage();
        view.scrollImage(ImageView::Horizontal, 30);
        view.scrollImage(ImageView::Vertical, 20);
        QCOMPARE(view.scrollOffset(), QPointF(30, 20));
        view.scrollImage(ImageView::Horizontal, 1000);
        QCOMPARE(view.scrollOffset(), QPointF(140, 20));
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(60, 60));
        QTest::mouseMove(&view, QPoint(90, 50));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(90, 50));
        QCOMPARE(view.scrollOffset(), QPointF(110, 30));
        QVERIFY(view.selectionRect().isEmpty());
    }

    void selectionAndZoomToIt() {
        ImageViewWidget view;
        view.resize(240, 160);
        view.setImageFile(m_tiff);
        view.showImage();
        view.setSelectionMode(true);
        QSignalSpy drawn(&view, &ImageView::selectionRectDrawn);
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(70, 100));
        QTest::mouseMove(&view, QPoint(40, 80));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(10, 70));
        QCOMPARE(drawn.size(), 1);
        QCOMPARE(drawn.first(), (QVariantList{10, 70, 60, 30}));
        QCOMPARE(view.selectionRect(), QRect(10, 70, 60, 30));
        QCOMPARE(view.scrollOffset(), QPointF());
        view.zoomToSelection();
        QCOMPARE(view.zoomPercent(), 400.0);
        // The selection's centre is now the view's centre.
        QCOMPARE(onWidget(view, QPointF(40, 85)), QPoint(120, 80));
        QVERIFY(view.selectionRect().isEmpty());
        view.setSelectionRect(1, 2, 3, 4);
        QCOMPARE(view.selectionRect(), QRect(1, 2, 3, 4));
        view.setSelectionRect(0, 0, 0, 0);
        QVERIFY(view.selectionRect().isEmpty());
    }

    // Zooming to a one-pixel selection again and again stops at the largest zoom, and
    // showing another page there stays within integer range (checked by UBSan in CI).
    void deepAreaZoomIsBounded() {
        ImageViewWidget view;
        view.resize(240, 160);
        view.setImageFile(m_tiff);
        view.showImage();
        for (int i = 0; i < 3; ++i) {
            view.setSelectionRect(120, 80, 1, 1);
            view.zoomToSelection();
        }
        QCOMPARE(view.zoomPercent(), wo::imaging::geometry::MaxZoomPercent);
        view.setCurrentPage(2);
        view.showImage();
        QCOMPARE(view.zoomPercent(), wo::imaging::geometry::MaxZoomPercent);
        QVERIFY(!view.grab().isNull());
    }

    // Beside a page that leaves part of the view free the background shows; the page's
    // own pixels reach its edges, turned or not.
    void backgroundBesideThePage_data() {
        QTest::addColumn<bool>("turned");
        // 240 x 160 at 100 %: columns 80 to 319 of 400; turned, 107 x 160 from column 146.67.
        QTest::addColumn<int>("firstColumn");
        QTest::addColumn<int>("lastColumn");
        QTest::newRow("upright") << false << 80 << 319;
        QTest::newRow("turned") << true << 147 << 252;
    }
    void backgroundBesideThePage() {
        QFETCH(bool, turned);
        QFETCH(int, firstColumn);
        QFETCH(int, lastColumn);
        const QString path = m_dir.filePath(QStringLiteral("beside.tif"));
        QVERIFY(writeTiff(path, 1, QStringLiteral("g4")));
        ImageViewWidget view;
        view.resize(400, 160);
        view.setImageFile(path);
        view.setCurrentPage(1);
        view.showImage();
        if (turned)
            view.rotateViewRight();
        view.fitImage(ImageView::BestFit);
        const QImage shown = view.grab().toImage();
        const QRgb background = view.palette().color(QPalette::Dark).rgb();
        for (const int column : {2, firstColumn - 3, lastColumn + 3, 397})
            QCOMPARE(shown.pixel(column, 80), background);
        for (const int column : {firstColumn, lastColumn}) {
            QCOMPARE(shown.pixel(column, 0), qRgb(255, 255, 255));
            QCOMPARE(shown.pixel(column, 159), qRgb(255, 255, 255));
        }
    }

    // A PDF page of 14,400 inches shows fitted and at the largest zoom: only what
    // the view shows is drawn.
    void posterPdfShowsWhatTheViewNeeds() {
        const QString path = m_dir.filePath(QStringLiteral("poster.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pdfOfSize(QSizeF(14400 * 72, 14400 * 72)));
        file.close();
        ImageViewWidget view;
        view.resize(240, 160);
        view.setImageFile(path);
        view.showImage();
        view.fitImage(ImageView::BestFit);
        // The page is 160 x 160 in the middle; its lower left quarter is black.
        QImage shown = view.grab().toImage();
        QVERIFY(qGray(shown.pixel(80, 120)) < 32);
        QVERIFY(qGray(shown.pixel(160, 40)) > 224);
        QVERIFY(qGray(shown.pixel(80, 40)) > 224);
        // Centred at the page's centre, the black quarter lies at the lower left.
        view.setZoomPercent(wo::imaging::geometry::MaxZoomPercent);
        shown = view.grab().toImage();
        QVERIFY(qGray(shown.pixel(60, 120)) < 32);
        QVERIFY(qGray(shown.pixel(180, 40)) > 224);
    }

    // A colour JPEG page shown small is decoded at the size shown, never below it;
    // zoomed to full size, it is decoded again and shows every pixel of the page.
    void colourPageSharpAtFullSize_data() {
        QTest::addColumn<bool>("plain");
        QTest::newRow("JPEG coded TIFF") << false;
        QTest::newRow("plain JPEG") << true;
    }
    void colourPageSharpAtFullSize() {
        QFETCH(bool, plain);
        const QString path =
            m_dir.filePath(plain ? QStringLiteral("colour.jpg") : QStringLiteral("colour.tif"));
        QVERIFY(plain ? markedPage(2).save(path, "jpeg", 90) : writeTiff(path, 2, QStringLiteral("jpeg")));
        const int page = plain ? 1 : 2;
        ImageViewWidget view;
        view.resize(60, 40);
        view.setImageFile(path);
        view.setCurrentPage(page);
        const qint64 pixels = wo::imaging::PageDocument::pixelsDecodedOnThisThread();
        view.showImage();
        QCOMPARE(wo::imaging::PageDocument::pixelsDecodedOnThisThread() - pixels, 60 * 40);
        view.fitImage(ImageView::FitToWidth);
        QCOMPARE(view.zoomPercent(), 25.0);
        // Square 2 covers 50..70, 70..90 of the page.
        QVERIFY(qGray(view.grab().toImage().pixel(15, 20)) < 64);
        view.setZoomPercent(100);
        view.scrollImage(ImageView::Horizontal, 40 - qRound(view.scrollOffset().x()));
        view.scrollImage(ImageView::Vertical, 60 - qRound(view.scrollOffset().y()));
        QCOMPARE(view.scrollOffset(), QPointF(40, 60));
        const QImage whole =
            wo::imaging::PageDocument(path).page(page - 1).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(view.grab().toImage().convertToFormat(QImage::Format_RGB32), whole.copy(40, 60, 60, 40));
    }

    void mouseSignals_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("buttonCode");
        QTest::addColumn<int>("shiftCode");
        QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers() << 1 << 0;
        QTest::newRow("right with shift")
            << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << 2 << 1;
        QTest::newRow("middle with ctrl and alt")
            << Qt::MiddleButton << (Qt::ControlModifier | Qt::AltModifier) << 4 << 6;
    }
    void mouseSignals() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, buttonCode);
        QFETCH(int, shiftCode);
        ImageViewWidget view;
        view.resize(100, 100);
        QSignalSpy down(&view, &ImageView::mouseDown);
        QSignalSpy moved(&view, &ImageView::mouseMove);
        QSignalSpy doubled(&view, &ImageView::doubleClicked);
        QTest::mousePress(&view, button, modifiers, QPoint(12, 34));
        QTest::mouseMove(&view, QPoint(15, 36));
        QTest::mouseRelease(&view, button, modifiers, QPoint(15, 36));
        QTest::mouseDClick(&view, button, modifiers, QPoint(15, 36));
        QCOMPARE(down.first(), (QVariantList{buttonCode, shiftCode, 12, 34}));
        QCOMPARE(moved.first().mid(2), (QVariantList{15, 36}));
        QCOMPARE(doubled.size(), 1);
    }

    // Pages 2..4 of five, each at its own size from its 100 dpi.
    void printsARangeToPdf() {
        const QString pdf = m_dir.filePath(QStringLiteral("out.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printToPdf(printer, m_tiff, 2, 4, pdf);
        const PdfInfo info = pdfInfo(pdf);
        QCOMPARE(info.pages, 3);
        // 240 x 160 pixels at 100 dpi are 172.8 x 115.2 points; Qt rounds to whole points.
        QVERIFY(qAbs(info.pointSize.width() - 172.8) < 1);
        QVERIFY(qAbs(info.pointSize.height() - 115.2) < 1);
        QCOMPARE(printer.colorMode(), QPrinter::GrayScale);
        // Grey pages are stored losslessly, never as JPEG.
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QVERIFY(images.waitForFinished(60000));
        const QString list = QString::fromUtf8(images.readAllStandardOutput());
        QCOMPARE(list.count(QStringLiteral(" gray ")), 3);
        QVERIFY(!list.contains(QStringLiteral("jpeg")));
        QVERIFY_THROWS_EXCEPTION(wo::Error, printToPdf(printer, m_tiff, 4, 6, pdf));
    }

    // A PDF page is rendered for its paper at the printer's resolution (300 dpi at
    // most), a band at a time; a page beyond A0 goes on A0 in its proportions.
    void printsPdfPageForItsPaper_data() {
        QTest::addColumn<QSizeF>("points");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSizeF>("paper");
        QTest::addColumn<QSize>("pixels");
        const QSizeF a4(595.28, 841.89);
        QTest::newRow("A4 on a 600 dpi printer") << a4 << 600 << a4 << QSize(2480, 3508);
        QTest::newRow("A4 on a 150 dpi printer") << a4 << 150 << a4 << QSize(1240, 1754);
        QTest::newRow("14,400 inches square")
            << QSizeF(14400 * 72, 14400 * 72) << 1200 << QSizeF(2383.94, 2383.94) << QSize(9933, 9933);
    }
    void printsPdfPageForItsPaper() {
        QFETCH(QSizeF, points);
        QFETCH(int, dpi);
        QFETCH(QSizeF, paper);
        QFETCH(QSize, pixels);
        const QString source = m_dir.filePath(QStringLiteral("page.pdf"));
        QVERIFY(writeFile(source, pdfOfSize(points)));
        const QString pdf = m_dir.filePath(QStringLiteral("printed.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setResolution(dpi);
        printToPdf(printer, source, 1, 1, pdf);

        const PdfInfo info = pdfInfo(pdf);
        QCOMPARE(info.pages, 1);
        QVERIFY2(
            qAbs(info.pointSize.width() - paper.width()) < 1 &&
                qAbs(info.pointSize.height() - paper.height()) < 1,
            qPrintable(QStringLiteral("%1 x %2").arg(info.pointSize.width()).arg(info.pointSize.height())));
        // The images the page was drawn from: full-width bands that stack to the page.
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QVERIFY(images.waitForFinished(60000));
        int rows = 0;
        for (const QString& line :
             QString::fromUtf8(images.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.simplified().split(QLatin1Char(' '));
            if (fields.size() < 5 || fields[2] != QLatin1String("image"))
                continue;
            const QSize band(fields[3].toInt(), fields[4].toInt());
            QVERIFY2(qAbs(band.width() - pixels.width()) <= 2, qPrintable(line));
            QVERIFY2(qint64(band.width()) * band.height() <= wo::imaging::PageDocument::MaxDrawnPixels,
                     qPrintable(line));
            rows += band.height();
        }
        QVERIFY2(qAbs(rows - pixels.height()) <= 2, qPrintable(QString::number(rows)));
    }

    // Found by showImage, also when the page breaks off while it is decoded.
    void unreadableFileIs321_data() {
        QTest::addColumn<bool>("breaksOff");
        QTest::addColumn<int>("pages");
        QTest::newRow("text") << false << 0;
        QTest::newRow("bilevel page breaking off") << true << 1;
    }
    void unreadableFileIs321() {
        QFETCH(bool, breaksOff);
        QFETCH(int, pages);
        const QString path = m_dir.filePath(QStringLiteral("notes.tif"));
        if (breaksOff) {
            QVERIFY(writeTiff(path, 1, QStringLiteral("g4")));
            QVERIFY(zeroTiffStrip(path, 5));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a picture");
        }
        ImageViewWidget view;
        view.resize(60, 40);
        view.setImageFile(path);
        QCOMPARE(view.pageCount(), pages);
        try {
            view.showImage();
            QFAIL("no error");
        } catch (const wo::Error& e) {
            QCOMPARE(e.number(), wo::err::InvalidFileFormat);
        }
    }

    void printDialogRange_data() {
        QTest::addColumn<QPrinter::PrintRange>("choice");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("all") << QPrinter::AllPages << 0 << 1 << 5;
        QTest::newRow("from-to") << QPrinter::PageRange << 1 << 2 << 4;
        QTest::newRow("current page") << QPrinter::CurrentPage << 2 << 0 << 0;
    }
    void printDialogRange() {
        QFETCH(QPrinter::PrintRange, choice);
        QFETCH(int, range);
        QFETCH(int, first);
        QFETCH(int, last);
        AnsweredAdmin admin;
        admin.range = choice;
        admin.from = 2;
        admin.to = 4;
        admin.setImageFile(m_tiff);
        admin.showPrintDialog();
        QCOMPARE(admin.printRange(), range);
        QCOMPARE(admin.printFirstPage(), first);
        QCOMPARE(admin.printLastPage(), last);
        QCOMPARE(admin.printFormat(), 0);
    }

    void printDialogCancelled() {
        AnsweredAdmin admin;
        admin.accept = false;
        admin.setImageFile(m_tiff);
        try {
            admin.showPrintDialog();
            QFAIL("no error");
        } catch (const wo::Error& e) {
            QCOMPARE(e.number(), wo::err::PrintDialogCancelled);
        }
    }
};

int runImageViewTest(int argc, char** argv) {
    TestImageView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_imageview.moc"
