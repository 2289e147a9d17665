#include "platform/db/Connection.h"

#include "platform/Error.h"
#include "platform/com/ComObject.h"
#include "platform/db/SnapshotReader.h"

#include <QSqlError>
#include <atomic>
#include <optional>

namespace wo::db {

namespace {

// What a provider reports when its error has no number of its own (E_FAIL).

std::atomic<int> s_connections{0};

struct ConnectSettings {
    QString database;
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString options;
    // Values that must never show in an error text.
    QStringList secrets;
};

// Qt's ODBC driver hands a string on as it is only when it names a driver or a
// server; any other it prefixes with "DSN=". A string that names its data source
// is therefore given with that key first and without its "DSN=", which Qt puts back.
QString odbcDatabaseName(const QString& text) {
    QStringList rest;
    QString source;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0).trimmed().toLower();
        if (key == QLatin1String("driver") || key == QLatin1String("server") ||
            key == QLatin1String("filedsn"))
            return text;
        if (source.isNull() && key == QLatin1String("dsn"))
            source = part.section(u'=', 1);
        else
            rest << part;
    }
    if (source.isNull())
        return text;
    return rest.isEmpty() ? source : source + u';' + rest.join(u';');
}

ConnectSettings parseConnectString(const QString& driver, const QString& text) {
    static const QStringList known = {QStringLiteral("database"), QStringLiteral("host"),
                                      QStringLiteral("port"),     QStringLiteral("user"),
                                      QStringLiteral("password"), QStringLiteral("options")};
    ConnectSettings settings;
    QList<std::pair<QString, QString>> pairs;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = (eq < 0 ? part : part.left(eq)).trimmed();
        const QString value = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        if (!key.compare(QLatin1String("password"), Qt::CaseInsensitive) ||
            !key.compare(QLatin1String("pwd"), Qt::CaseInsensitive))
            settings.secrets << value;
        pairs.append({key, value});
    }
    // An ODBC connection string, as users write it ("DSN=…", "Driver={…};Server=…;
    // Database=…", a bare data source name), goes to the driver manager untouched.
    if (driver == QLatin1String("QODBC")) {
        settings.database = odbcDatabaseName(text);
        return settings;
    }
    for (const auto& [name, value] : pairs) {
        const QString key = name.toLower();
        if (key == QLatin1String("database")) {
            settings.database = value;
        } else if (key == QLatin1String("host")) {
            settings.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            settings.port = value.toInt(&ok);
            if (!ok)
                throw Error(err::InvalidArgument,
                            QStringLiteral("连接字符串的 Port 不是数字：%1").arg(value));
        } else if (key == QLatin1String("user")) {
            settings.user = value;
        } else if (key == QLatin1String("password")) {
            settings.password = value;
        } else if (key == QLatin1String("options")) {
            settings.options = value;
        } else {
            throw Error(err::InvalidArgument,
                        QStringLiteral("连接字符串中有未知的键 %1；可用的键为 Database、Host、Port、User、"
                                       "Password 和 Options")
                            .arg(name));
        }
    }
    return settings;
}

// PostgreSQL's driver gives the SQLSTATE as native code and appends it to the
// text; an all-digit one ("42601") must not pass for a number of its own.
bool isSqlState(const QString& code, const QString& text) {
    if (code.size() != 5)
        return false;
    bool letter = false;
    for (const QChar c : code) {
        if (!c.isDigit() && !(c >= u'A' && c <= u'Z'))
            return false;
        letter = letter || c.isLetter();
    }
    return letter || text.endsWith(u'(' + code + u')');
}

Error sqlError(const QSqlError& error, const QString& context) {
    const QString code = error.nativeErrorCode().trimmed();
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (isSqlState(code, text)) {
        const QString suffix = u'(' + code + u')';
        if (text.endsWith(suffix))
            text = text.chopped(suffix.size()).trimmed();
        if (text.isEmpty())
            text = context + QStringLiteral("失败");
        return Error(err::ProviderError, u'[' + code + QStringLiteral("] ") + text);
    }
    if (text.isEmpty())
        text = context + QStringLiteral("失败");
    bool numeric = false;
    const int number = code.toInt(&numeric);
    return Error(numeric && number != 0 ? number : err::ProviderError, text);
}

} // namespace

void raiseSqlError(const QSqlError& error, const QString& context) {
    throw sqlError(error, context);
}

void raiseObjectClosed() {
    throw err::make(err::ObjectClosed);
}

Connection::Connection(QString connectionName, bool owned)
    : m_name(std::move(connectionName)), m_owned(owned) {}

Connection::~Connection() {
    close();
}

com::ComPtr<Connection> Connection::open(const QString& driver, const QString& connectString) {
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw Error(err::ProviderNotFound,
                    err::description(err::ProviderNotFound) +
                        QStringLiteral("（驱动 %1；已安装：%2）")
                            .arg(driver, QSqlDatabase::drivers().join(QStringLiteral(", "))));
    const ConnectSettings settings = parseConnectString(driver, connectString);
    const QString name = QStringLiteral("wo-conn-%1").arg(++s_connections);
    std::optional<Error> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        db.setDatabaseName(settings.database);
        if (!settings.host.isEmpty())
            db.setHostName(settings.host);
        if (settings.port >= 0)
            db.setPort(settings.port);
        if (!settings.user.isEmpty())
            db.setUserName(settings.user);
        if (!settings.password.isEmpty())
            db.setPassword(settings.password);
        if (!settings.options.isEmpty())
            db.setConnectOptions(settings.options);
        if (!db.open())
            failure = sqlError(db.lastError(), QStringLiteral("打开数据库"));
    }
    if (failure) {
        QSqlDatabase::removeDatabase(name);
        QString text = failure->description();
        for (const QString& secret : settings.secrets)
            if (!secret.isEmpty())
                text.replace(secret, QStringLiteral("***"));
        throw Error(failure->number(), text);
    }
    return com::ComPtr<Connection>::attach(new Connection(name, true));
}

Connection::CopySource Connection::copySource(const Connection& other) {
    const QSqlDatabase source = other.openDatabase();
    CopySource copy{other.m_name, source.driverName(), {}};
    // Where the host's session looks for tables (a schema or database it chose after
    // connecting), read without changing anything on its connection.
    const bool postgres = copy.driver == QLatin1String("QPSQL");
    if (postgres || copy.driver == QLatin1String("QMYSQL")) {
        QSqlQuery q(source);
        if (q.exec(postgres ? QStringLiteral("SELECT current_setting('search_path')")
                            : QStringLiteral("SELECT DATABASE()")) &&
            q.next())
            copy.place = q.value(0).toString();
    }
    return copy;
}

com::ComPtr<Connection> Connection::openCopy(const CopySource& source) {
    const QString name = QStringLiteral("wo-conn-%1").arg(++s_connections);
    std::optional<Error> failure;
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(source.connectionName, name);
        if (!db.isValid()) {
            failure = err::make(err::ObjectClosed);
        } else if (!db.open()) {
            failure = sqlError(db.lastError(), QStringLiteral("打开数据库"));
        } else if (!source.place.isEmpty()) {
            QSqlQuery q(db);
            bool placed = false;
            if (source.driver == QLatin1String("QPSQL")) {
                q.prepare(QStringLiteral("SELECT set_config('search_path', ?, false)"));
                q.addBindValue(source.place);
                placed = q.exec();
            } else {
                placed = q.exec(QStringLiteral("USE `") +
                                QString(source.place).replace(u'`', QStringLiteral("``")) + u'`');
            }
            if (!placed)
                failure = sqlError(q.lastError(), QStringLiteral("打开数据库"));
        }
    }
    if (failure) {
        QSqlDatabase::removeDatabase(name);
        throw *failure;
    }
    return com::ComPtr<Connection>::attach(new Connection(name, true));
}

com::ComPtr<Connection> Connection::wrap(const QSqlDatabase& database) {
    if (!database.isOpen())
        raiseObjectClosed();
    return com::ComPtr<Connection>::attach(new Connection(database.connectionName(), false));
}

HRESULT Connection::QueryInterface(const IID& iid, void** object) {
    return com::queryInterface<com::IUnknown>(this, Wendra_Original::IID_Connection, iid, object);
}

QSqlDatabase Connection::openDatabase() const {
    QSqlDatabase db = database();
    if (!db.isOpen())
        raiseObjectClosed();
    return db;
}

QSqlQuery Connection::run(const QString& statement) {
    QSqlQuery query(openDatabase());
    query.setForwardOnly(true);
    countStatement();
    if (!query.exec(statement))
        raiseSqlError(query.lastError(), QStringLiteral("执行语句"));
    return query;
}

void Connection::execute(const QString& statement) {
    run(statement);
}

void Connection::execute(const Statement& statement) {
    readSnapshot(*this, statement);
}

void Connection::beginTrans() {
    QSqlDatabase db = openDatabase();
    if (!db.transaction())
        raiseSqlError(db.lastError(), QStringLiteral("开始事务"));
}

void Connection::commitTrans() {
    QSqlDatabase db = openDatabase();
    if (!db.commit())
        raiseSqlError(db.lastError(), QStringLiteral("提交事务"));
}

void Connection::rollbackTrans() {
    QSqlDatabase db = openDatabase();
    if (!db.rollback())
        raiseSqlError(db.lastError(), QStringLiteral("回滚事务"));
}

QSqlDatabase Connection::database() const {
    return QSqlDatabase::database(m_name, false);
}

QString Connection::driverName() const {
    return database().driverName();
}

void Connection::close() {
    if (!m_owned || !QSqlDatabase::contains(m_name))
        return;
    // Every copy of the handle must be gone before the connection is removed.
    database().close();
    QSqlDatabase::removeDatabase(m_name);
}

} // namespace wo::db
