#pragma once

// What the benchmark programs share: timings and the bare decode they compare with.
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <algorithm>
#include <functional>
#include <tiffio.h>
#include <vector>

namespace wo::test {

inline double elapsedMs(const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double medianMs(int repeats, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(elapsedMs(run));
    return median(times);
}

// Page (from 1) of a TIFF decoded by bare libtiff, strip by strip: the yardstick.
inline void decodeTiffPage(const QString& path, int page) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return;
    TIFFSetDirectory(tiff, tdir_t(page - 1));
    std::vector<unsigned char> strip(size_t(TIFFStripSize(tiff)));
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(tiff); ++s)
        TIFFReadEncodedStrip(tiff, s, strip.data(), tmsize_t(strip.size()));
    TIFFClose(tiff);
}

} // namespace wo::test
