#include "settings/MyInit.h"

namespace wo::MyInit {

QString gsRecordID;
QString gsOriginalID;
QString gsPath;
QString gsState;
// Never destroyed: at process exit the database layer may be gone before this
// module, and the host's connection is the host's to close.
com::ComPtr<db::Connection>& Connection = *new com::ComPtr<db::Connection>;
bool FtpMode = false;
std::int32_t gsOpen = 0;
std::int32_t gsConn = 0;
bool CheckDuplicates = true;
QString gsTextSearch;

settings::Storage storage() {
    return {gsPath, FtpMode, gsOpen, gsConn};
}

settings::Record record() {
    return {Connection, gsRecordID, storage(), &gsOriginalID, CheckDuplicates};
}

void reset() {
    gsRecordID.clear();
    gsOriginalID.clear();
    gsPath.clear();
    gsState.clear();
    Connection.reset();
    FtpMode = false;
    gsOpen = 0;
    gsConn = 0;
    CheckDuplicates = true;
    gsTextSearch.clear();
}

} // namespace wo::MyInit
