#include "StoreFixture.h"

#include <QDir>

namespace wo::test {

StoreFixture::StoreFixture() {
    db.createDocumentTable();
    record.connection = db.connectionPtr();
    record.recordId = QStringLiteral("R");
    record.storage.root = box.path(QStringLiteral("store"));
    record.originalId = &originalId;
    QDir().mkpath(record.storage.root);
    MyInit::reset();
}

StoreFixture::~StoreFixture() {
    MyInit::reset();
}

void StoreFixture::useFtp() {
    ftp.emplace();
    useFtp(ftp->session(), ftp->connection(), ftp->remoteFolder());
}

void StoreFixture::useFtp(inet::Handle session, inet::Handle connection, const QString& root) {
    record.storage = {root, true, static_cast<std::int32_t>(session), static_cast<std::int32_t>(connection)};
}

store::ClsFileOperation::Added StoreFixture::collect() {
    return [this](const store::AddedDocument& document) { added.append(document); };
}

void StoreFixture::publish() {
    MyInit::Connection = record.connection;
    MyInit::gsRecordID = record.recordId;
    MyInit::gsPath = record.storage.root;
    MyInit::FtpMode = record.storage.ftpMode;
    MyInit::gsOpen = record.storage.ftpSession;
    MyInit::gsConn = record.storage.ftpConnection;
}

QList<dialogs::ScriptedDialogs::Call> StoreFixture::boxes() const {
    return dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox);
}

} // namespace wo::test
