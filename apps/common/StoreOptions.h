#pragma once

#include "platform/inet/Inet.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <functional>

// What the command-line programs on a store share: the options naming its database
// and storage, the FTP session they open, and a progress line on the terminal.
namespace wo::apps {

struct StoreOptions {
    QString driver;
    QString connectString;
    QString store;
    QUrl ftp;
    QString ftpCa;
};

// The database options (--database, --postgres, --mariadb, --odbc) and the storage
// options (--store, --ftp, --ftp-ca), added to a parser.
class StoreOptionParser {
public:
    explicit StoreOptionParser(QCommandLineParser& parser);
    // The options given, checked; a usage fault calls `usageError` (which does not
    // return). Without `storageNeeded`, neither --store nor --ftp is required.
    StoreOptions read(const std::function<void(const QString&)>& usageError, bool storageNeeded = true) const;

private:
    QCommandLineParser& m_parser;
    QCommandLineOption m_database, m_postgres, m_mariadb, m_odbc, m_store, m_ftp, m_ftpCa;
};

// The FTP session and connection a program works on, closed at the end.
struct FtpSession {
    inet::Handle session = 0;
    inet::Handle connection = 0;

    FtpSession(const QUrl& url, const QString& caFile, const QString& agent);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;
};

// Says what is wrong with the command line and where help is, and exits with `status`.
[[noreturn]] void usageExit(const char* program, const QString& text, int status);

// Runs a program's work; an error that ends it is written to stderr after the
// program's name, and the program exits with `couldNotRun`.
int runReporting(const char* program, int couldNotRun, const std::function<int()>& work);

// One line on a terminal, rewritten in place, at most ten times a second.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    // "stage: done/total" (just done when total < 0), with `detail` after it.
    void show(const QString& stage, qint64 done, qint64 total, const QString& detail = {});

private:
    bool m_shown;
    bool m_written = false;
    QElapsedTimer m_clock;
};

} // namespace wo::apps
