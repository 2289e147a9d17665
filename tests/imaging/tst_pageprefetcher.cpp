#include "ScanTiff.h"
#include "TestImages.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PagePrefetcher.h"

#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <future>

using wo::imaging::ImageView;
using wo::imaging::ImageViewWidget;
using wo::imaging::PageDocument;
using wo::imaging::PagePrefetcher;
using namespace wo::test;

namespace {

PageDocument::ScaleFor atScale(double scale) {
    return [scale](QSize) { return scale; };
}

// The whole page at half its size.
PagePrefetcher::PartsFor halfOfPage() {
    return [](QSize page) {
        return std::vector<wo::imaging::drawing::Part>{{0.5, QRect(QPoint(), page / 2)}};
    };
}

} // namespace

class TestPagePrefetcher : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_tiff = m_dir.filePath(QStringLiteral("pages.tif"));
        // Bilevel, grey and colour (JPEG coded) pages.
        QVERIFY(writeScanTiff(m_tiff,
                              {markedPage(1, QImage::Format_Mono), markedPage(2, QImage::Format_Grayscale8),
                               markedPage(3, QImage::Format_RGB888)}));
    }

    // A page taken is the page a document decodes, with its parts drawn; taking it
    // decodes nothing on the taking thread, and it is handed out once.
    void takenPageIsTheDecodedOne_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("bilevel") << 0;
        QTest::newRow("grey") << 1;
        QTest::newRow("colour") << 2;
    }
    void takenPageIsTheDecodedOne() {
        QFETCH(int, index);
        PagePrefetcher prefetcher;
        prefetcher.prefetch(m_tiff, index, atScale(1), halfOfPage());
        const int decodes = PageDocument::decodesOnThisThread();
        const std::optional<PagePrefetcher::Prepared> taken = prefetcher.take(m_tiff, index);
        QCOMPARE(PageDocument::decodesOnThisThread(), decodes);
        QVERIFY(taken);
        PageDocument doc(m_tiff);
        const QImage decoded = doc.page(index);
        QCOMPARE(taken->page.size, decoded.size());
        QCOMPARE(taken->page.image.convertToFormat(QImage::Format_RGB32),
                 decoded.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(taken->drawn.size(), size_t(1));
        QCOMPARE(taken->drawn.front().image.size(), decoded.size() / 2);
        QCOMPARE(markerOf(taken->drawn.front().image.scaled(decoded.size())), index + 1);
        QVERIFY(!prefetcher.take(m_tiff, index));
    }

    // Asking for another page while one is being made neither waits for it nor gets
    // it later: the work is given up. Held inside the drawing until the jump is done.
    void jumpDoesNotWait() {
        PagePrefetcher prefetcher;
        QSemaphore entered, release;
        prefetcher.prefetch(m_tiff, 0, atScale(1), [&](QSize) {
            entered.release();
            release.acquire();
            return std::vector<wo::imaging::drawing::Part>{};
        });
        QVERIFY(entered.tryAcquire(1, 30000));
        auto jump = std::async(std::launch::async, [&] { return prefetcher.take(m_tiff, 2).has_value(); });
        const bool returned = jump.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        release.release();
        QVERIFY2(returned, "the jump waited for the prefetch");
        QVERIFY(!jump.get());
        QVERIFY(!prefetcher.take(m_tiff, 0));
        // A newer wish replaces an older one.
        prefetcher.prefetch(m_tiff, 1, atScale(1), halfOfPage());
        prefetcher.prefetch(m_tiff, 2, atScale(1), halfOfPage());
        QVERIFY(prefetcher.take(m_tiff, 2));
    }

    // A damaged or missing file gives nothing to take; the view then decodes and reports.
    void unreadableGivesNothing() {
        PagePrefetcher prefetcher;
        prefetcher.prefetch(m_dir.filePath(QStringLiteral("missing.tif")), 0, atScale(1), halfOfPage());
        QVERIFY(!prefetcher.take(m_dir.filePath(QStringLiteral("missing.tif")), 0));
        prefetcher.prefetch(m_tiff, 7, atScale(1), halfOfPage());
        QVERIFY(!prefetcher.take(m_tiff, 7));
    }

    // A view flipping onto a prefetched page, of its own file or the first of another,
    // decodes nothing and shows what a fresh view shows.
    void viewFlipDecodesNothing_data() {
        QTest::addColumn<bool>("otherFile");
        QTest::newRow("next page") << false;
        QTest::newRow("first page of the next document") << true;
    }
    void viewFlipDecodesNothing() {
        QFETCH(bool, otherFile);
        const QString next = m_dir.filePath(QStringLiteral("next.tif"));
        QVERIFY(writeTiff(next, 2, QStringLiteral("g4")));
        ImageViewWidget view;
        view.resize(200, 150);
        view.setImageFile(m_tiff);
        view.showImage();
        view.fitImage(ImageView::FitToWidth);
        view.grab();
        view.prefetchPage(otherFile ? 1 : 2, otherFile ? next : QString());
        const int decodes = PageDocument::decodesOnThisThread();
        if (otherFile) {
            view.clearImage();
            view.setImageFile(next);
            view.setCurrentPage(1);
        } else {
            view.setCurrentPage(2);
        }
        view.showImage();
        view.fitImage(ImageView::FitToWidth);
        const QImage shown = view.grab().toImage();
        QCOMPARE(PageDocument::decodesOnThisThread(), decodes);

        ImageViewWidget fresh;
        fresh.resize(200, 150);
        fresh.setImageFile(otherFile ? next : m_tiff);
        fresh.setCurrentPage(otherFile ? 1 : 2);
        fresh.showImage();
        fresh.fitImage(ImageView::FitToWidth);
        QCOMPARE(shown, fresh.grab().toImage());
        QCOMPARE(markerOf(shown.scaled(240, 160)), otherFile ? 1 : 2);
    }

    // Which page a viewer prepares after each kind of move.
    void target_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("nextFile");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("expected");
        const QString next = QStringLiteral("/cache/next.TIF");
        QTest::newRow("new document: its second page") << 1 << 0 << next << QString() << 2;
        QTest::newRow("forward: the next page") << 3 << 1 << next << QString() << 4;
        QTest::newRow("jump forward: the next page") << 2 << 3 << QString() << QString() << 3;
        QTest::newRow("back: the page before") << 3 << -1 << next << QString() << 2;
        QTest::newRow("back onto the first: none") << 1 << -1 << next << QString() << 0;
        QTest::newRow("last page: the next document's first") << 5 << 1 << next << next << 1;
        QTest::newRow("last page, next document not at hand: none") << 5 << 1 << QString() << QString() << 0;
    }
    void target() {
        QFETCH(int, page);
        QFETCH(int, step);
        QFETCH(QString, nextFile);
        QFETCH(QString, file);
        QFETCH(int, expected);
        const auto target = wo::imaging::prefetchTarget(page, 5, step, nextFile);
        QCOMPARE(target.has_value(), expected > 0);
        if (target)
            QCOMPARE(*target, (wo::imaging::PrefetchTarget{file, expected}));
    }

private:
    QTemporaryDir m_dir;
    QString m_tiff;
};

int runPagePrefetcherTest(int argc, char** argv) {
    TestPagePrefetcher test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pageprefetcher.moc"
