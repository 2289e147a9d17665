#include "store/ClsFileOperation.h"

#include "entry/MyInit.h"
#include "platform/Error.h"
#include "platform/db/Recordset.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/inet/Inet.h"
#include "platform/profile/ComponentFolder.h"
#include "store/Statements.h"
#include "transfer/ModDownLoadFile.h"
#include "transfer/TransferMeter.h"
#include "ui/common/Guard.h"
#include "ui/common/ListItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

namespace wo::store {

namespace {

const QString kAddTitle = QStringLiteral("添加原文");
const QString kUploadTitle = QStringLiteral("上载文件");
const QString kStoreErrorTitle = QStringLiteral("错误1000041");

inet::Handle ftpConnection() {
    return static_cast<inet::Handle>(MyInit::gsConn);
}

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

bool ClsFileOperation::ftpHandlesReady() {
    if (MyInit::gsOpen != 0 && MyInit::gsConn != 0)
        return true;
    dialogs::inform(nullptr, QStringLiteral("请配置FTP路径"), QStringLiteral("原文"));
    return false;
}

ClsFileOperation::ClsFileOperation(createdname names) : m_names(std::move(names)) {}

QString ClsFileOperation::typeOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

bool ClsFileOperation::storageReady() {
    if (MyInit::FtpMode)
        return ftpHandlesReady();
    if (MyInit::gsPath.isEmpty()) {
        dialogs::inform(nullptr, QStringLiteral("请先指定原文存放路径！"), kUploadTitle);
        return false;
    }
    if (!QFileInfo(MyInit::gsPath).isDir()) {
        dialogs::inform(nullptr, QStringLiteral("原文路径不存在或已被删除！"), kUploadTitle);
        return false;
    }
    return true;
}

bool ClsFileOperation::AddFile(QTreeWidget* list) {
    return reportingStoreErrors([&] {
        return storageReady() &&
               addEach(dialogs::current().openFiles(nullptr, {QStringLiteral("打开文件"),
                                                              QStringLiteral("所有文件 (*)"),
                                                              profile::componentFolder(), true}),
                       list);
    });
}

bool ClsFileOperation::AddFiles(const QStringList& paths, QTreeWidget* list) {
    return reportingStoreErrors([&] { return storageReady() && addEach(paths, list); });
}

bool ClsFileOperation::addEach(const QStringList& paths, QTreeWidget* list) {
    bool added = false;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        added = AddFileToObj(file.absolutePath(), file.fileName(), list);
    }
    return added;
}

// A new identifier that names no row and no stored file yet: a repeated random
// part must never let one document overwrite another's file.
QString ClsFileOperation::uniqueId(const QString& type, const QString& folder) {
    for (;;) {
        const QString id = m_names.CreateName();
        db::Recordset rows;
        rows.open(sql::SelectDocumentById(id), *MyInit::Connection);
        if (rows.recordCount() == 0 &&
            (folder.isEmpty() ||
             !QFileInfo::exists(folder + QLatin1Char('/') + transfer::storedFileName(id, type))))
            return id;
    }
}

qint64 ClsFileOperation::nextFileOrder() {
    db::Recordset max;
    max.open(sql::SelectMaxFileOrder(MyInit::gsRecordID), *MyInit::Connection);
    const QVariant order = max.field(QStringLiteral("FileOrder"));
    const qint64 next = order.isNull() ? 1 : order.toLongLong() + 1;
    if (next > 32767)
        throw Error(err::Overflow, QStringLiteral("溢出：本业务记录的原文顺序号已达上限"));
    return next;
}

bool ClsFileOperation::AddFileToObj(const QString& sourceFolder, const QString& sourceName,
                                    QTreeWidget* list) {
    const QString source = sourceFolder + QLatin1Char('/') + sourceName;
    try {
        const QFileInfo file(source);
        if (file.isDir()) {
            dialogs::inform(nullptr, source + QStringLiteral("是文件夹，不能添加！请添加其中的文件。"),
                            kAddTitle);
            return false;
        }
        if (!file.isFile()) {
            dialogs::inform(nullptr, source + QStringLiteral("文件不存在，不能添加!"), kAddTitle);
            return false;
        }
        const QString type = typeOf(sourceName);
        if (file.size() == 0) {
            dialogs::inform(nullptr, QStringLiteral("原文内容为空！不能添加该原文！"), kAddTitle);
            return false;
        }
        const QString month = m_names.clock()().toString(QStringLiteral("yyyy-MM"));
        sql::NewDocument doc{{}, sourceName, type, MyInit::gsRecordID, 1, {}, file.size()};
        const QString folder = MyInit::FtpMode ? QString() : MyInit::gsPath + QLatin1Char('/') + month;
        doc.id = uniqueId(type, folder);
        MyInit::gsOriginalID = doc.id;
        // The row about to be written passes the check every row read back passes;
        // the month adds no ".." to the root, so the root is what is checked here.
        const QString rowPath = MyInit::FtpMode ? MyInit::gsPath : month;
        if (transfer::rowFault(rowPath, doc.id, type, MyInit::FtpMode) != transfer::RowFault::None)
            throw Error(err::BadFileName,
                        QStringLiteral("文件名不合法：") + rowPath + QLatin1Char('/') + doc.id + type);
        if (MyInit::FtpMode) {
            doc.filePath = transfer::prepareUploadDirectory(MyInit::gsPath, month);
        } else {
            doc.filePath = month;
            if (!QFileInfo(folder).isDir() && !QDir(MyInit::gsPath).mkdir(month))
                throw Error(err::PathFileAccessError, QStringLiteral("不能创建文件夹 ") + folder);
        }
        const QString storedName = doc.id + type;
        doc.fileOrder = nextFileOrder();

        Transaction transaction(*MyInit::Connection);
        MyInit::Connection->execute(sql::InsertDocument(doc));
        transfer::TransferMeter meter(sourceName, file.size());
        if (MyInit::FtpMode) {
            // The put must land in the month directory the row records, never in
            // whatever directory happens to be current.
            if (!inet::FtpSetCurrentDirectory(ftpConnection(), doc.filePath) ||
                !inet::FtpPutFile(ftpConnection(), source, storedName, meter.progress())) {
                // A server gone before it answered the rename may have stored the file;
                // its name is new and no row will name it.
                transfer::deleteRemoteFile(doc.filePath, storedName);
                if (!meter.cancelled())
                    dialogs::inform(nullptr, QStringLiteral("上载") + source + QStringLiteral("文件错误！"),
                                    kUploadTitle);
                return false;
            }
        } else {
            transfer::copyFileSafely(source, folder + QLatin1Char('/') + storedName, transfer::Access::Shared,
                                     &meter);
        }
        if (beforeCommit)
            beforeCommit();
        try {
            transaction.commit();
        } catch (const Error&) {
            // No row names the file just stored, and its name is new: nothing else uses it.
            try {
                transfer::deleteStoredFile(doc.filePath, doc.id, type);
            } catch (const Error&) {
                // The failed commit is what the user must hear about.
            }
            throw;
        }

        if (list) {
            QTreeWidgetItem* item = ui::ListItem::make(QString::number(doc.fileOrder), doc.originalName,
                                                       doc.type, doc.filePath, doc.id);
            // The source's bytes are at hand: showing the new document fetches nothing.
            transfer::seedCache(item, source);
            list->addTopLevelItem(item);
            list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
            item->setSelected(true);
            list->scrollToItem(item);
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
            dialogs::inform(nullptr, ui::errorText(e.number(), e.description()), kAddTitle,
                            dialogs::Icon::Critical);
        return false;
    }
}

bool ClsFileOperation::DelFile(QTreeWidget* list) {
    try {
        if (dialogs::current().messageBox(nullptr, QStringLiteral("确实要删除所选择的原文吗？"),
                                          dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                          QStringLiteral("删除原文")) != dialogs::Answer::Yes)
            return false;
        // One snapshot for the whole pass, read before any row goes, filtered in memory per document.
        db::Recordset all;
        all.open(sql::SelectAllDocuments(), *MyInit::Connection);
        const int count = list ? list->topLevelItemCount() : 0;
        for (int i = count - 1; i >= 0; --i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            if (!item->isSelected())
                continue;
            const QString id = ui::ListItem::tag(item);
            MyInit::Connection->execute(sql::DeleteDocument(id, MyInit::gsRecordID));
            if (IsLastReference(all, id, MyInit::gsRecordID))
                deleteStoredFile(item);
            delete list->takeTopLevelItem(i);
        }
        if (list && list->topLevelItemCount() > 0) {
            QTreeWidgetItem* first = list->topLevelItem(0);
            list->setCurrentItem(first, 0, QItemSelectionModel::NoUpdate);
            first->setSelected(true);
            list->scrollToItem(first);
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

void ClsFileOperation::deleteStoredFile(const QTreeWidgetItem* item) {
    transfer::deleteStoredFile(item->text(ui::ListItem::Path), ui::ListItem::tag(item),
                               item->text(ui::ListItem::Type));
}

} // namespace wo::store
