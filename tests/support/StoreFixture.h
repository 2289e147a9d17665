#pragma once

#include "Sandbox.h"
#include "TestDatabase.h"
#include "TestFtp.h"
#include "dialogs/ScriptedDialogs.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"

#include <QList>
#include <QString>
#include <QVector>
#include <optional>

namespace wo::test {

// What the store suites share: record "R" of a fresh table with a folder store in a
// sandbox (or, after useFtp, a folder on the run's FTP server), and scripted dialogs.
// The store reads `record`; the process-wide settings are written only by publish().
struct StoreFixture {
    TestDatabase db;
    Sandbox box;
    dialogs::ScriptedDialogsScope dialogs;
    std::optional<TestFtp> ftp;
    // The identifier an add made last.
    QString originalId;
    settings::Record record;
    // What the operation reported through collect().
    QVector<store::AddedDocument> added;

    StoreFixture();
    ~StoreFixture();
    StoreFixture(const StoreFixture&) = delete;
    StoreFixture& operator=(const StoreFixture&) = delete;

    settings::Storage& storage() { return record.storage; }
    QString& root() { return record.storage.root; }
    // The store on the run's FTP server, in a folder of its own.
    void useFtp();
    // The store on an FTP connection the test made.
    void useFtp(inet::Handle session, inet::Handle connection, const QString& root);
    // Collects what an add reports into `added`.
    store::ClsFileOperation::Added collect();
    // Writes the record into the process-wide settings, for what reads those (ClsMain,
    // the windows).
    void publish();
    QList<dialogs::ScriptedDialogs::Call> boxes() const;
};

} // namespace wo::test
