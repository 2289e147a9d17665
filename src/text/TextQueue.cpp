#include "text/TextQueue.h"

#include "platform/Error.h"
#include "platform/db/Recordset.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSet>
#include <QSysInfo>
#include <unistd.h>

namespace wo::text {

using db::Statement;

TextQueue::TextQueue(db::Connection& connection, QString owner, int claimTimeoutSeconds)
    : m_connection(connection), m_owner(std::move(owner)), m_timeout(claimTimeoutSeconds) {}

QString TextQueue::newOwner() {
    return QStringLiteral("%1:%2:%3")
        .arg(QSysInfo::machineHostName().left(60))
        .arg(::getpid())
        .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

qint64 TextQueue::now() const {
    return QDateTime::currentSecsSinceEpoch();
}

QList<PendingDocument> TextQueue::pending(const std::optional<QString>& recordId, int limit) {
    Statement s{QStringLiteral("SELECT o.ID, o.Original_Name, o.Type, o.FilePath FROM Original_Text o "
                               "LEFT JOIN Original_TextState s ON s.ID = o.ID "
                               "WHERE (s.ID IS NULL OR (s.State = 'busy' AND s.ClaimedAt < ?))"),
                {now() - m_timeout}};
    if (recordId) {
        s.text += QStringLiteral(" AND o.RecordId = ?");
        s.values << *recordId;
    }
    s.text += QStringLiteral(" ORDER BY o.RecordId, o.FileOrder, o.ID");
    db::Recordset rs;
    rs.open(s, m_connection);
    QList<PendingDocument> list;
    QSet<QString> seen;
    if (rs.state() != db::Recordset::adStateOpen)
        return list;
    for (; !rs.eof() && list.size() < limit; rs.moveNext()) {
        const QString id = rs.field(0).toString();
        if (!seen.contains(id)) {
            seen.insert(id);
            list.append({id, rs.field(1).toString(), rs.field(2).toString(), rs.field(3).toString()});
        }
    }
    return list;
}

bool TextQueue::claim(const QString& id) {
    const qint64 at = now();
    std::optional<Error> insertFailure;
    try {
        m_connection.execute(
            Statement{QStringLiteral("INSERT INTO Original_TextState (ID, State, Owner, ClaimedAt, "
                                     "Tries) VALUES (?, 'busy', ?, ?, 1)"),
                      {id, m_owner, at}});
    } catch (const Error& e) {
        // Another reader's row, or a real failure: the row tells which.
        insertFailure = e;
        m_connection.execute(
            Statement{QStringLiteral("UPDATE Original_TextState SET Owner = ?, ClaimedAt = ?, "
                                     "Tries = Tries + 1 WHERE ID = ? AND State = 'busy' AND "
                                     "ClaimedAt < ?"),
                      {m_owner, at, id, at - m_timeout}});
    }
    db::Recordset rs;
    rs.open(
        Statement{QStringLiteral("SELECT Owner, State, Tries FROM Original_TextState WHERE ID = ?"), {id}},
        m_connection);
    if (rs.state() != db::Recordset::adStateOpen || rs.eof()) {
        if (insertFailure)
            throw *insertFailure;
        return false;
    }
    if (rs.field(0).toString() != m_owner || rs.field(1).toString() != QLatin1String("busy"))
        return false;
    if (rs.field(2).toInt() > MaxTries) {
        failed(id, QStringLiteral("读取 %1 次均未结束").arg(MaxTries));
        return false;
    }
    return true;
}

void TextQueue::done(const QString& id) {
    m_connection.execute(
        Statement{QStringLiteral("UPDATE Original_TextState SET State = 'done', Message = NULL "
                                 "WHERE ID = ? AND Owner = ?"),
                  {id, m_owner}});
}

void TextQueue::failed(const QString& id, const QString& reason) {
    m_connection.execute(
        Statement{QStringLiteral("UPDATE Original_TextState SET State = 'failed', Message = ? "
                                 "WHERE ID = ? AND Owner = ?"),
                  {reason.left(500), id, m_owner}});
}

void TextQueue::release(const QString& id) {
    m_connection.execute(
        Statement{QStringLiteral("DELETE FROM Original_TextState WHERE ID = ? AND Owner = ? AND "
                                 "State = 'busy'"),
                  {id, m_owner}});
}

TextQueue::Counts TextQueue::counts(const std::optional<QString>& recordId) {
    Statement s{QStringLiteral(
                    "SELECT COUNT(DISTINCT o.ID), COUNT(DISTINCT CASE WHEN s.State = 'done' THEN o.ID END), "
                    "COUNT(DISTINCT CASE WHEN s.State = 'failed' THEN o.ID END) FROM Original_Text o "
                    "LEFT JOIN Original_TextState s ON s.ID = o.ID"),
                {}};
    if (recordId) {
        s.text += QStringLiteral(" WHERE o.RecordId = ?");
        s.values << *recordId;
    }
    db::Recordset rs;
    rs.open(s, m_connection);
    return {rs.field(0).toLongLong(), rs.field(1).toLongLong(), rs.field(2).toLongLong()};
}

} // namespace wo::text
