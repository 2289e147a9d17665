#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace wo::test {

// Makes SANE's own test backend the only scanner library backend while it lives
// (devices "test:0" and "test:1"); outside that time the process sees no
// scanner. The scanner library reads SANE_CONFIG_DIR once per process, so the
// first SaneTestDevice points it at a private folder for the rest of the
// process, and each one rewrites the files there; /etc is left alone. Create the
// first before anything in the process uses the scanner library, and each one
// while no scan runs: every scan reads the files afresh.
//
// Option lines override the backend's defaults as its test.conf writes them, for
// example {"test-picture", "\"Grid\""} or {"read-status-code", "\"SANE_STATUS_JAMMED\""}.
class SaneTestDevice {
public:
    enum class Backends { Test, None };
    using Options = QList<std::pair<QByteArray, QByteArray>>;

    explicit SaneTestDevice(const Options& options = {}, Backends backends = Backends::Test);
    ~SaneTestDevice();
    SaneTestDevice(const SaneTestDevice&) = delete;
    SaneTestDevice& operator=(const SaneTestDevice&) = delete;

    static QString configFolder();
};

} // namespace wo::test
