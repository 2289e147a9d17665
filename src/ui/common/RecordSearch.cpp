#include "ui/common/RecordSearch.h"

#include "platform/Error.h"
#include "text/TextTable.h"

namespace wo::ui {

namespace {

// Pages, not documents, are counted by the limit: a record holds far fewer than this.
constexpr int kPageLimit = 100000;

} // namespace

std::unique_ptr<RecordSearch> RecordSearch::open(const db::Connection& host, const QString& recordId,
                                                 const QString& languages) {
    if (languages.isEmpty())
        return nullptr;
    try {
        auto own = db::Connection::openCopy(host);
        if (!text::TextTable(*own).exists())
            return nullptr;
        return std::unique_ptr<RecordSearch>(new RecordSearch(std::move(own), recordId));
    } catch (const Error& e) {
        if (e.number() == err::SearchUnavailable)
            return nullptr;
        throw;
    }
}

RecordSearch::RecordSearch(com::ComPtr<db::Connection> own, const QString& recordId)
    : m_own(std::move(own)), m_recordId(recordId) {}

TextMatches RecordSearch::find(const QString& term) {
    if (term.trimmed().isEmpty())
        return {};
    return {term, text::TextTable(*m_own).search(term, m_recordId, kPageLimit)};
}

} // namespace wo::ui
