#pragma once

#include "platform/db/Connection.h"
#include "wo_internal_export.h"

#include <QList>
#include <QString>
#include <optional>

namespace wo::text {

// A stored document as the reading needs it.
struct PendingDocument {
    QString id;
    QString name;
    QString type;
    QString filePath;
};

// The documents still without text, and the claims through which several readers
// (threads, processes, machines) share them: a claim is a row of
// Original_TextState naming its owner and time; others skip it until it is older
// than the timeout, when the owner is taken to have died and another takes it over.
// A document that failed, or whose claims were taken over too often, is marked
// failed and skipped from then on.
class WO_INTERNAL TextQueue {
public:
    // `owner` names this reader uniquely (host, process, a random part).
    TextQueue(db::Connection& connection, QString owner, int claimTimeoutSeconds = 600);

    static QString newOwner();

    // Documents of one record, or of all, that have no text, are not failed, and are
    // unclaimed or claimed longer ago than the timeout. Each identifier once.
    QList<PendingDocument> pending(const std::optional<QString>& recordId, int limit = 1000);
    // True when this reader now holds the document; false when another does, or
    // when the document has been taken over too often (it is then marked failed).
    bool claim(const QString& id);
    // Ends a claim this reader holds: done, or failed with the reason.
    void done(const QString& id);
    void failed(const QString& id, const QString& reason);
    // Gives up a claim this reader holds, leaving the document waiting.
    void release(const QString& id);

    struct Counts {
        qint64 documents = 0;
        qint64 done = 0;
        qint64 failed = 0;
    };
    Counts counts(const std::optional<QString>& recordId);

    static constexpr int MaxTries = 3;

private:
    qint64 now() const;

    db::Connection& m_connection;
    QString m_owner;
    int m_timeout;
};

} // namespace wo::text
