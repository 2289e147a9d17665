#pragma once

#include "platform/com/ComPtr.h"
#include "platform/db/Connection.h"

#include <QString>
#include <cstdint>

// The host settings: one process-wide set, written by the host through ClsMain and
// read by every window and store operation. They start empty and live as long as
// the component stays loaded.
namespace wo::MyInit {

extern QString gsRecordID;
extern QString gsOriginalID;
extern QString gsPath;
extern QString gsState;
extern com::ComPtr<db::Connection>& Connection;
extern bool FtpMode;
extern std::int32_t gsOpen;
extern std::int32_t gsConn;

// The two working states a host can ask for through gsState.
inline const QString FindModel = QStringLiteral("FindModel");
inline const QString ScanState = QStringLiteral("ScanState");

// True when the windows must not change the record's documents.
inline bool browseOnly() {
    return gsState == FindModel;
}

// Back to the empty start state (texts empty, handles 0, folder mode, no connection).
void reset();

} // namespace wo::MyInit
