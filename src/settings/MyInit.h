#pragma once

#include "platform/com/ComPtr.h"
#include "platform/db/Connection.h"
#include "wo_internal_export.h"

#include <QString>
#include <cstdint>

namespace wo::settings {

// Where a record's documents are stored: a folder, or a directory on the host's FTP
// connection.
struct Storage {
    QString root; // the folder, or the FTP directory documents go under
    bool ftpMode = false;
    std::int32_t ftpSession = 0;    // the host's Internet session handle
    std::int32_t ftpConnection = 0; // the host's FTP connection handle on it
};

// What a store operation on one record's documents reads: its database, the record
// and the storage. A copy: an operation keeps what it started with.
struct Record {
    com::ComPtr<db::Connection> connection;
    QString recordId;
    Storage storage;
    // Receives each new document's identifier as soon as it is made, when not null.
    QString* originalId = nullptr;
    // Adding a file whose content a document of the record already holds asks first.
    bool checkDuplicates = true;
};

} // namespace wo::settings

// The host settings: one process-wide set, written by the host through ClsMain and
// read by the windows, which hand the store and transfer what they need of it. They
// start empty and live as long as the component stays loaded.
namespace wo::MyInit {

extern WO_INTERNAL QString gsRecordID;
extern WO_INTERNAL QString gsOriginalID;
extern WO_INTERNAL QString gsPath;
extern WO_INTERNAL QString gsState;
extern WO_INTERNAL com::ComPtr<db::Connection>& Connection;
extern WO_INTERNAL bool FtpMode;
extern WO_INTERNAL std::int32_t gsOpen;
extern WO_INTERNAL std::int32_t gsConn;
// Whether an add asks before adding content the record already holds; on until a host turns it off.
extern WO_INTERNAL bool CheckDuplicates;
// Full-text search: off when empty, else the recognition languages.
extern WO_INTERNAL QString gsTextSearch;

// The two working states a host can ask for through gsState.
inline const QString FindModel = QStringLiteral("FindModel");
inline const QString ScanState = QStringLiteral("ScanState");

// True when the windows must not change the record's documents.
inline bool browseOnly() {
    return gsState == FindModel;
}

// The settings as they stand now.
WO_INTERNAL settings::Storage storage();
WO_INTERNAL settings::Record record();

// Back to the empty start state (texts empty, handles 0, folder mode, no connection).
WO_INTERNAL void reset();

} // namespace wo::MyInit
