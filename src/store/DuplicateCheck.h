#pragma once

#include "record/ListedDocument.h"
#include "settings/MyInit.h"

#include <QString>
#include <optional>

namespace wo::store {

// The record's document whose stored file holds the same bytes as `source` (of
// `size` bytes), the first in stored order: rows of that size first, then the
// SHA-256 of each one's copy, fetched through the download cache as showing it
// would. A copy that cannot be fetched holds nothing equal.
std::optional<record::ListedDocument> findDuplicate(const settings::Record& record, const QString& source,
                                                    qint64 size);

// Asks, through the dialogs in use, whether `sourceName` is to be added although
// `holder` holds the same content. True to add it anyway.
bool addDuplicateAnyway(const QString& sourceName, const record::ListedDocument& holder);

} // namespace wo::store
