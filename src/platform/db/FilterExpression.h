#pragma once

#include "platform/db/Snapshot.h"
#include "wo_internal_export.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace wo::db {

// A recordset Filter, parsed once and evaluated on rows in memory:
//   Name = 'text' | [Name] <> 5 | Name Like 'ab*' | Name = Null
// joined with And / Or (And binds tighter) and parentheses. Texts compare exactly
// and case-sensitively, as the database's own = does; a numeric value compares
// numerically with a literal that is a number. NULL matches only "= Null".
class WO_INTERNAL FilterExpression {
public:
    // columns maps each lower-case field name to its column. Throws wo::Error 3001
    // naming the position and what was expected when the text is malformed.
    FilterExpression(const QString& text, const QHash<QString, int>& columns);

    // row points at the row's values, one per column. The QVariant form states what
    // a match is; the Cell form gives the same answers on a snapshot's rows.
    bool matches(const QVariant* row) const;
    bool matches(const Cell* row) const;

    struct Equality {
        int column;
        QString text;
    };
    // A "field = 'text'" (or "field = number") that every matching row satisfies (the
    // expression is that comparison joined to the rest with And), so an EqualityIndex
    // can narrow rows.
    std::optional<Equality> requiredEquality() const;

private:
    enum class Op { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual, Like };
    struct Literal {
        enum class Kind { Text, Number, Null } kind = Kind::Null;
        QString text;
        QByteArray utf8;
        // Set when the literal reads as a finite number, quoted or not.
        bool numeric = false;
        double number = 0;
        bool integral = false;
        qint64 integer = 0;
        // Like: the pattern split at its wildcards.
        QStringList parts;
    };
    struct Node {
        enum class Kind { And, Or, Compare } kind = Kind::Compare;
        std::vector<int> children;
        int column = -1;
        Op op = Op::Equal;
        Literal literal;
    };

    template <typename Value> bool evaluate(int node, const Value* row) const;
    bool compare(const Node& node, const QVariant& value) const;
    bool compare(const Node& node, const Cell& cell) const;
    std::optional<Equality> equalityIn(int node) const;

    std::vector<Node> m_nodes;
    int m_root = -1;

    friend class FilterParser;
};

// The rows of a snapshot by the value of one field, built in one pass without an
// allocation per row. A lookup yields, in row order, every row whose value can equal
// a text under the filter's rules (and maybe a few that do not, which the filter
// itself then rejects); it costs time in those rows, not in the snapshot.
class EqualityIndex {
public:
    EqualityIndex(const Snapshot& snapshot, int column);
    std::vector<int> candidates(const QString& text) const;

private:
    void collect(std::size_t key, std::size_t other, std::vector<int>& rows) const;

    // Rows fall into buckets by their key's hash; each bucket is a chain through
    // m_next in row order. m_keys keeps each row's key (rows without one are in no chain).
    std::vector<std::size_t> m_keys;
    std::vector<int> m_heads;
    std::vector<int> m_next;
    std::size_t m_mask = 0;
};

} // namespace wo::db
