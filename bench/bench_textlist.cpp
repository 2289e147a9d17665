// The list window while the text of its record's documents is read in the background:
// how long the window's thread spent starting the reading, and the longest gap and
// the 99th percentile of gaps between its 10 ms timer ticks until every document was
// read. Not a test: run by hand on an otherwise quiet machine.
//   bench_textlist [DOCUMENTS [PAGE]]   DOCUMENTS one-page pictures (default 6) of
//                                       PAGE (default a drawn A4 300-dpi grey scan)
#include "BenchTiming.h"
#include "ListWindowFixture.h"
#include "ScanTiff.h"
#include "settings/MyInit.h"
#include "text/TextService.h"
#include "ui/list/FrmMainList.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <vector>

namespace {

QByteArray pagePicture(const char* path) {
    if (path) {
        QFile file(QString::fromLocal8Bit(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    wo::test::a4TonedPage(QImage::Format_Grayscale8).save(&buffer, "PNG");
    return png;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    const QByteArray page = pagePicture(argc > 2 ? argv[2] : nullptr);
    if (page.isEmpty()) {
        std::fprintf(stderr, "bench_textlist: cannot read %s\n", argv[2]);
        return 2;
    }
    wo::test::Record record({});
    for (int i = 0; i < documents; ++i)
        record.add(QStringLiteral("d%1").arg(i), QStringLiteral("扫描%1.png").arg(i), QStringLiteral(".png"),
                   page, i + 1);

    QElapsedTimer clock;
    std::vector<qint64> ticks;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    timer.start(10);
    // What ShowForm does on the window's thread: start the reading, then open the window.
    const double startMs = wo::test::elapsedMs([] {
        wo::text::TextService::instance().start(wo::MyInit::record(), {true, QStringLiteral("chi_sim")});
    });
    wo::ui::FrmMainList window;
    window.show();
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (wo::text::TextService::instance().idle() || clock.elapsed() > 600000)
            loop.quit();
    });
    done.start(100);
    loop.exec();
    const double seconds = double(clock.elapsed()) / 1000;
    wo::text::TextService::instance().stop();

    std::vector<double> gaps;
    for (size_t i = 1; i < ticks.size(); ++i)
        gaps.push_back(double(ticks[i] - ticks[i - 1]) / 1e6);
    std::sort(gaps.begin(), gaps.end());
    const auto read =
        record.db.query(QStringLiteral("SELECT COUNT(*) FROM Original_TextState WHERE State = 'done'"))[0][0]
            .toInt();
    std::printf("%d of %d documents read in %.1f s; starting the reading took %.1f ms on the window's "
                "thread\n",
                read, documents, seconds, startMs);
    if (!gaps.empty())
        std::printf("%zu ticks of 10 ms: longest gap %.1f ms, 99th percentile %.1f ms, median %.1f ms\n",
                    gaps.size() + 1, gaps.back(), gaps[gaps.size() * 99 / 100], gaps[gaps.size() / 2]);
    return read == documents ? 0 : 1;
}
