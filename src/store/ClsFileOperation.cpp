#include "store/ClsFileOperation.h"

#include "platform/Error.h"
#include "platform/db/Recordset.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/inet/Inet.h"
#include "platform/profile/ComponentFolder.h"
#include "record/RowRules.h"
#include "store/DocumentEvents.h"
#include "store/DuplicateCheck.h"
#include "store/Statements.h"
#include "transfer/ModDownLoadFile.h"
#include "transfer/SafeCopy.h"
#include "transfer/StoredFiles.h"
#include "transfer/TransferMeter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace wo::store {

namespace {

const QString kAddTitle = QStringLiteral("添加原文");
const QString kUploadTitle = QStringLiteral("上载文件");
const QString kStoreErrorTitle = QStringLiteral("错误1000041");

// Keeps the add's transaction open until it is committed; rolls it back otherwise,
// so no row remains without its file.
class Transaction {
public:
    explicit Transaction(db::Connection& connection) : m_connection(connection) { m_connection.beginTrans(); }
    ~Transaction() {
        if (m_open)
            try {
                m_connection.rollbackTrans();
            } catch (const Error&) {
                // The failure that brought us here is the one to report.
            }
    }
    void commit() {
        m_connection.commitTrans();
        m_open = false;
    }

private:
    db::Connection& m_connection;
    bool m_open = true;
};

// An error outside one file's add (checking the storage, picking) ends the command.
template <class Add> bool reportingStoreErrors(Add&& add) {
    try {
        return add();
    } catch (const Error& e) {
        dialogs::inform(nullptr, e.description(), kStoreErrorTitle, dialogs::Icon::Exclamation);
        return false;
    }
}

} // namespace

bool ClsFileOperation::ftpHandlesReady(const settings::Storage& storage) {
    if (storage.ftpSession != 0 && storage.ftpConnection != 0)
        return true;
    dialogs::inform(nullptr, QStringLiteral("请配置FTP路径"), QStringLiteral("原文"));
    return false;
}

ClsFileOperation::ClsFileOperation(settings::Record record, createdname names)
    : m_record(std::move(record)), m_names(std::move(names)) {}

QString ClsFileOperation::typeOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

bool ClsFileOperation::storageReady() {
    const settings::Storage& storage = m_record.storage;
    if (storage.ftpMode)
        return ftpHandlesReady(storage);
    if (storage.root.isEmpty()) {
        dialogs::inform(nullptr, QStringLiteral("请先指定原文存放路径！"), kUploadTitle);
        return false;
    }
    if (!QFileInfo(storage.root).isDir()) {
        dialogs::inform(nullptr, QStringLiteral("原文路径不存在或已被删除！"), kUploadTitle);
        return false;
    }
    return true;
}

bool ClsFileOperation::AddFile(const Added& added) {
    return reportingStoreErrors([&] {
        return storageReady() &&
               addEach(dialogs::current().openFiles(nullptr, {QStringLiteral("打开文件"),
                                                              QStringLiteral("所有文件 (*)"),
                                                              profile::componentFolder(), true}),
                       added);
    });
}

bool ClsFileOperation::AddFiles(const QStringList& paths, const Added& added) {
    return reportingStoreErrors([&] { return storageReady() && addEach(paths, added); });
}

bool ClsFileOperation::addEach(const QStringList& paths, const Added& added) {
    bool stored = false;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        stored = AddFileToObj(file.absolutePath(), file.fileName(), added);
    }
    return stored;
}

// A new identifier that names no row and no stored file yet: a repeated random
// part must never let one document overwrite another's file.
QString ClsFileOperation::uniqueId(const QString& type, const QString& folder) {
    for (;;) {
        const QString id = m_names.CreateName();
        db::Recordset rows;
        rows.open(sql::SelectDocumentById(id), connection());
        if (rows.recordCount() == 0 &&
            (folder.isEmpty() ||
             !QFileInfo::exists(folder + QLatin1Char('/') + record::storedFileName(id, type))))
            return id;
    }
}

qint64 ClsFileOperation::nextFileOrder() {
    db::Recordset max;
    max.open(sql::SelectMaxFileOrder(m_record.recordId), connection());
    const QVariant order = max.field(QStringLiteral("FileOrder"));
    const qint64 next = order.isNull() ? 1 : order.toLongLong() + 1;
    if (next > 32767)
        throw err::make(err::Overflow, QStringLiteral("本业务记录的原文顺序号已达上限"));
    return next;
}

bool ClsFileOperation::AddFileToObj(const QString& sourceFolder, const QString& sourceName,
                                    const Added& added) {
    const settings::Storage& storage = m_record.storage;
    const QString source = sourceFolder + QLatin1Char('/') + sourceName;
    try {
        const QFileInfo file(source);
        if (file.isDir()) {
            dialogs::inform(nullptr, source + QStringLiteral("是文件夹，不能添加！请添加其中的文件。"),
                            kAddTitle);
            return false;
        }
        if (!file.isFile()) {
            // A pipe or a device would be read without end, or block the add.
            dialogs::inform(nullptr,
                            source + (file.exists()
                                          ? QStringLiteral("不是普通文件（如管道或设备），不能添加!")
                                          : QStringLiteral("文件不存在，不能添加!")),
                            kAddTitle);
            return false;
        }
        const QString type = typeOf(sourceName);
        if (file.size() == 0) {
            dialogs::inform(nullptr, QStringLiteral("原文内容为空！不能添加该原文！"), kAddTitle);
            return false;
        }
        if (m_record.checkDuplicates) {
            const std::optional<record::ListedDocument> holder = findDuplicate(m_record, source, file.size());
            if (holder && !addDuplicateAnyway(sourceName, *holder))
                return false;
        }
        const QString month = m_names.clock()().toString(QStringLiteral("yyyy-MM"));
        sql::NewDocument doc{{}, sourceName, type, m_record.recordId, 1, {}, file.size()};
        const QString folder = storage.ftpMode ? QString() : storage.root + QLatin1Char('/') + month;
        doc.id = uniqueId(type, folder);
        if (m_record.originalId)
            *m_record.originalId = doc.id;
        // The row about to be written passes the check every row read back passes;
        // the month adds no ".." to the root, so the root is what is checked here.
        const QString rowPath = storage.ftpMode ? storage.root : month;
        if (record::rowFault(rowPath, doc.id, type, storage.ftpMode) != record::RowFault::None)
            throw err::make(err::BadFileName, rowPath + QLatin1Char('/') + doc.id + type);
        if (storage.ftpMode) {
            doc.filePath = transfer::prepareUploadDirectory(storage, month);
        } else {
            doc.filePath = month;
            if (!QFileInfo(folder).isDir() && !QDir(storage.root).mkdir(month))
                throw Error(err::PathFileAccessError, QStringLiteral("不能创建文件夹 ") + folder);
        }
        const QString storedName = doc.id + type;

        // The file is stored before the row's transaction begins: the transfer may
        // show its progress window, where host code can run (Qt cannot hold back its
        // queued calls), and that code must not find a transaction of ours open on
        // its connection. The new name is unique, so nothing reads the file meanwhile.
        if (beforeStore)
            beforeStore();
        transfer::TransferMeter meter(sourceName, file.size());
        if (storage.ftpMode) {
            // The put must land in the month directory the row records, never in
            // whatever directory happens to be current.
            const auto ftp = static_cast<inet::Handle>(storage.ftpConnection);
            if (!inet::FtpSetCurrentDirectory(ftp, doc.filePath) ||
                !inet::FtpPutFile(ftp, source, storedName, meter.progress())) {
                // A server gone before it answered the rename may have stored the file;
                // its name is new and no row will name it.
                transfer::deleteRemoteFile(storage, doc.filePath, storedName);
                if (!meter.cancelled())
                    dialogs::inform(nullptr, QStringLiteral("上载") + source + QStringLiteral("文件错误！"),
                                    kUploadTitle);
                return false;
            }
        } else {
            transfer::copyFileSafely(source, folder + QLatin1Char('/') + storedName, transfer::Access::Shared,
                                     &meter);
        }
        // Until the row is committed, no row names the file just stored.
        auto removeStored = qScopeGuard([&] {
            try {
                transfer::deleteStoredFile(storage, doc.filePath, doc.id, type);
            } catch (const Error&) {
                // The failure that brought us here is what the user must hear about.
            }
        });
        // A source written to while it was stored: the row would record a length the
        // stored file does not have. The upload itself sent what the file held when opened.
        const QString stored = storage.ftpMode ? source : folder + QLatin1Char('/') + storedName;
        if (QFileInfo(stored).size() != doc.size)
            throw err::make(err::SourceChanged, source);
        Transaction transaction(connection());
        doc.fileOrder = nextFileOrder();
        connection().execute(sql::InsertDocument(doc));
        if (beforeCommit)
            beforeCommit();
        transaction.commit();
        removeStored.dismiss();
        documentAdded(doc.id);

        if (added) {
            const record::ListedDocument listed{doc.id, doc.originalName, doc.type, doc.filePath};
            // The source's bytes are at hand: showing the new document fetches nothing.
            added({listed, doc.fileOrder, transfer::seedCache(listed, source)});
        }
        return true;
    } catch (const Error& e) {
        if (e.number() == err::TransferCancelled)
            return false;
        if (e.number() == err::PermissionDenied)
            dialogs::inform(nullptr,
                            QStringLiteral("请确定加载的文件") + source + QStringLiteral("是否正被引用！"),
                            kAddTitle, dialogs::Icon::None);
        else
            dialogs::inform(nullptr, errorText(e.number(), e.description()), kAddTitle,
                            dialogs::Icon::Critical);
        return false;
    }
}

bool ClsFileOperation::DelFile(const QVector<record::ListedDocument>& selected, const Removed& removed) {
    try {
        if (dialogs::current().messageBox(nullptr, QStringLiteral("确实要删除所选择的原文吗？"),
                                          dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                          QStringLiteral("删除原文")) != dialogs::Answer::Yes)
            return false;
        // One snapshot for the whole pass, read before any row goes, filtered in memory per document.
        db::Recordset all;
        all.open(sql::SelectAllDocuments(), connection());
        for (qsizetype i = selected.size() - 1; i >= 0; --i) {
            const record::ListedDocument& document = selected[i];
            connection().execute(sql::DeleteDocument(document.id, m_record.recordId));
            if (IsLastReference(all, document.id, m_record.recordId)) {
                transfer::deleteStoredFile(m_record.storage, document.path, document.id, document.type);
                lastReferenceDeleted(document.id);
            }
            removed(i);
        }
        return true;
    } catch (const Error& e) {
        dialogs::inform(nullptr, e.description(), kStoreErrorTitle, dialogs::Icon::Exclamation);
        return false;
    }
}

bool ClsFileOperation::IsLastReference(db::Recordset& snapshot, const QString& id, const QString& recordId) {
    snapshot.setFilter(sql::OtherReferencesFilter(id, recordId));
    return snapshot.eof();
}

} // namespace wo::store
