#include "store/DuplicateCheck.h"

#include "platform/dialogs/Dialogs.h"
#include "store/RecordDocuments.h"
#include "store/Statements.h"
#include "transfer/ModDownLoadFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace wo::store {

namespace {

QByteArray sha256Of(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

} // namespace

std::optional<record::ListedDocument> findDuplicate(const settings::Record& record, const QString& source,
                                                    qint64 size) {
    const QVector<record::ListedDocument> sameSize = loadDocuments(
        *record.connection, sql::SelectRecordDocumentsOfSize(record.recordId, size), record.storage.ftpMode);
    if (sameSize.isEmpty())
        return std::nullopt;
    const QByteArray wanted = sha256Of(source);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const record::ListedDocument& document : sameSize) {
        const QString cached = transfer::fetchToCache(document, record.storage);
        // A copy of another size is another file, whatever the row says.
        if (!cached.isEmpty() && QFileInfo(cached).size() == size && sha256Of(cached) == wanted)
            return document;
    }
    return std::nullopt;
}

bool addDuplicateAnyway(const QString& sourceName, const record::ListedDocument& holder) {
    const QString question =
        QStringLiteral("文件“%1”与本业务已有的原文“%2”内容相同，是否仍要添加？").arg(sourceName, holder.name);
    return dialogs::current().messageBox(nullptr, question, dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                         QStringLiteral("添加原文")) == dialogs::Answer::Yes;
}

} // namespace wo::store
