#pragma once

#include "platform/db/Connection.h"
#include "ui/common/TextMatches.h"
#include "wo_internal_export.h"

#include <QString>
#include <memory>

namespace wo::ui {

// Full-text search over the documents of one record, on a connection of its own (a
// copy of the host's), so that whatever transaction the host holds open neither hides
// text read since nor waits on the reading.
class WO_INTERNAL RecordSearch {
public:
    // None when search is off: the host set no recognition languages, the database is
    // of no engine the text tables serve, or the tables are missing (the reading
    // service has said once why they could not be made).
    static std::unique_ptr<RecordSearch> open(const db::Connection& host, const QString& recordId,
                                              const QString& languages);

    // The record's documents whose text holds `term`; none for a blank term.
    TextMatches find(const QString& term);

private:
    RecordSearch(com::ComPtr<db::Connection> own, const QString& recordId);

    com::ComPtr<db::Connection> m_own;
    QString m_recordId;
};

} // namespace wo::ui
