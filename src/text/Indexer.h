#pragma once

#include "settings/MyInit.h"
#include "text/PageReader.h"
#include "text/TextQueue.h"
#include "text/TextTable.h"
#include "wo_internal_export.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace wo::text {

struct IndexOptions {
    std::optional<QString> recordId;
    ReadOptions read;
    // Called after each document this run finished: documents finished so far by
    // this run, documents it found waiting, and the document's name.
    std::function<void(int finished, int waiting, const QString& name)> progress;
    // Asked between documents; true ends the run (the rest stays waiting).
    std::function<bool()> stop;
    // Where a document's file can be read now; empty to leave it waiting. Unset: from
    // the store (folder) or through the download cache (FTP).
    std::function<QString(const PendingDocument&)> localFile;
};

struct IndexSummary {
    int done = 0;
    int failed = 0;
    // Names and reasons of the documents that failed.
    QStringList failures;
};

// Reads the text of every document waiting in the queue (of one record or all),
// one claimed document at a time, and stores it: a document another reader holds
// is skipped, one that cannot be read is marked failed with its reason. Files are
// read from the store where they lie (folder) or through the download cache (FTP).
WO_INTERNAL IndexSummary indexDocuments(TextTable& table, TextQueue& queue, const settings::Storage& storage,
                                        const IndexOptions& options);

} // namespace wo::text
