#pragma once

#include "wendra/Wendra_Original.h"
#include "wendra/inet.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <stdexcept>

// The demonstration host's start-up, shared by its program and by the walk through
// the component that drives it in-process.
namespace demohost {

struct Options {
    QString driver;
    QString connectString;
    QString record;
    QString store;
    QString storageKind;
    QString state;
    QString originalId;
    QString module;
    QUrl ftp;
    QString ftpCaFile;
    QString samples;
    QString textSearch;
};

// Reads the host's command line (arguments[0] is the program). Needs a
// QCoreApplication; --help and a bad option end the process, as a program does.
Options parseOptions(const QStringList& arguments);

// One run of the host: the database opened (the document table created when
// missing), the component registered and created by its ProgID, the settings
// handed over, and the sample documents added to a record that has none.
// Throws Failure when any of that fails. Uses only the component's public
// interface, as any host does.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Host {
public:
    explicit Host(const Options& options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Shows the document list window until it closes; 0, or 1 after writing the
    // component's error to stderr.
    int showForm();

private:
    // The FTP session and connection a host opens for the component and closes after.
    struct FtpHandles {
        WoHInternet session = 0;
        WoHInternet connection = 0;
        ~FtpHandles();
    };

    Options m_options;
    // The connection handed to the component (a WoObject, released last).
    struct Connection {
        WoObject* object = nullptr;
        ~Connection();
    };
    Connection m_connection;
    FtpHandles m_ftp;
    Wendra_Original::_ClsMain2* m_main = nullptr;
};

// What the host program does: one Host, one ShowForm.
int run(const Options& options);

} // namespace demohost
