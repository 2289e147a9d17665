#include "platform/db/HostStatements.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace wo::db {

namespace {

// The $tag$ opening a PostgreSQL dollar quote at `at`, or an empty view. A $ inside
// a word (an identifier such as a$b) or before a digit ($1) opens none.
QStringView dollarTag(QStringView text, qsizetype at) {
    if (at > 0 && (text[at - 1].isLetterOrNumber() || text[at - 1] == u'_' || text[at - 1] == u'$'))
        return {};
    qsizetype end = at + 1;
    while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == u'_'))
        ++end;
    if (end >= text.size() || text[end] != u'$' || (end > at + 1 && text[at + 1].isDigit()))
        return {};
    return text.mid(at, end - at + 1);
}

// Where the quote opened at `at` ends (just past its closing character), or the
// text's end when it is never closed.
qsizetype quoteEnd(QStringView text, qsizetype at, bool backslashEscapes) {
    const QChar quote = text[at];
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        if (backslashEscapes && text[i] == u'\\')
            ++i;
        else if (text[i] == quote)
            return i + 1;
    }
    return text.size();
}

qsizetype endOf(QStringView text, qsizetype from, QStringView closing) {
    const qsizetype found = text.indexOf(closing, from);
    return found < 0 ? text.size() : found + closing.size();
}

QJsonValue jsonValue(const QVariant& value) {
    if (value.isNull())
        return QJsonValue::Null;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        // Above the signed range an unsigned value keeps its digits as text.
        return value.toULongLong() > static_cast<qulonglong>(std::numeric_limits<qint64>::max())
                   ? QJsonValue(value.toString())
                   : QJsonValue(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    default:
        return value.toString();
    }
}

} // namespace

QStringList splitScript(const QString& script, bool backslashEscapes) {
    const QStringView text(script);
    QStringList statements;
    QString current;
    const auto finish = [&] {
        const QString statement = current.trimmed();
        if (!statement.isEmpty())
            statements.append(statement);
        current.clear();
    };
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'-' && next == u'-') {
            i = endOf(text, i, u"\n");
            current.append(u'\n');
        } else if (c == u'/' && next == u'*') {
            i = endOf(text, i + 2, u"*/");
            current.append(u' ');
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            const qsizetype end = quoteEnd(text, i, backslashEscapes);
            current.append(text.mid(i, end - i));
            i = end;
        } else if (const QStringView tag = c == u'$' ? dollarTag(text, i) : QStringView(); !tag.isEmpty()) {
            const qsizetype end = endOf(text, i + tag.size(), tag);
            current.append(text.mid(i, end - i));
            i = end;
        } else if (c == u';') {
            finish();
            ++i;
        } else {
            current.append(c);
            ++i;
        }
    }
    finish();
    return statements;
}

void executeScript(Connection& connection, const QString& script, int& executed) {
    executed = 0;
    const bool backslashEscapes = connection.driverName() == QLatin1String("QMYSQL");
    const QStringList statements = splitScript(script, backslashEscapes);
    for (qsizetype n = 0; n < statements.size(); ++n) {
        try {
            connection.execute(statements[n]);
            ++executed;
        } catch (const Error& e) {
            throw Error(e.number(), QStringLiteral("第%1条语句：%2").arg(n + 1).arg(e.description()));
        }
    }
}

QByteArray queryJson(Connection& connection, const Statement& query) {
    Recordset rows;
    rows.open(query, connection);
    QJsonArray out;
    if (rows.state() == Recordset::adStateOpen) {
        const QStringList names = rows.fieldNames();
        for (; !rows.eof(); rows.moveNext()) {
            QJsonObject row;
            for (int column = 0; column < names.size(); ++column)
                row.insert(names[column], jsonValue(rows.field(column)));
            out.append(row);
        }
    }
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

} // namespace wo::db
