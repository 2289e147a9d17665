#include "text/Indexer.h"

#include "platform/Error.h"
#include "record/RowRules.h"
#include "transfer/ModDownLoadFile.h"
#include "transfer/StoredFiles.h"

#include <QFileInfo>

namespace wo::text {

namespace {

// The local file of a document; throws when there is none.
QString localFile(const PendingDocument& d, const settings::Storage& storage) {
    if (record::rowFault(d.filePath, d.id, d.type, storage.ftpMode) != record::RowFault::None)
        throw Error(err::BadFileName, QStringLiteral("文件位置不可用"));
    QString path;
    if (storage.ftpMode)
        path = transfer::fetchToCache({d.id, d.name, d.type, d.filePath}, storage);
    else
        path = transfer::folderModeSource(storage.root, d.filePath, d.id, d.type);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw err::make(err::FileNotFound, path);
    return path;
}

} // namespace

IndexSummary indexDocuments(TextTable& table, TextQueue& queue, const settings::Storage& storage,
                            const IndexOptions& options) {
    IndexSummary summary;
    const QList<PendingDocument> waiting = queue.pending(options.recordId, std::numeric_limits<int>::max());
    int finished = 0;
    for (const PendingDocument& d : waiting) {
        if (options.stop && options.stop())
            break;
        const QString file = options.localFile ? options.localFile(d) : QString();
        if ((options.localFile && file.isEmpty()) || !queue.claim(d.id))
            continue;
        try {
            table.store(d.id, readDocument(options.localFile ? file : localFile(d, storage), options.read));
            queue.done(d.id);
            ++summary.done;
        } catch (const Error& e) {
            if (options.stop && options.stop()) {
                // Ended from outside, not by the document: it waits for the next run.
                queue.release(d.id);
                break;
            }
            queue.failed(d.id, e.description());
            ++summary.failed;
            summary.failures << d.name + QStringLiteral("：") + e.description();
        }
        if (options.progress)
            options.progress(++finished, int(waiting.size()), d.name);
    }
    return summary;
}

} // namespace wo::text
