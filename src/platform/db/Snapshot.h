#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <memory>
#include <vector>

namespace wo::db {

// One value of a snapshot, 16 bytes: numbers inline, texts and binary values as
// bytes in the snapshot's arena (texts in UTF-8), any other type as a QVariant the
// snapshot keeps. Read as a QVariant the way the SQL drivers hand values out.
struct Cell {
    enum class Kind : quint8 { Null, Integer, Float, Text, Blob, Other };
    Kind kind = Kind::Null;
    quint32 size = 0;
    union {
        qint64 integer = 0;
        double real;
        const char* bytes;
        const QVariant* other;
    };

    QVariant value() const;
    QByteArrayView view() const { return {bytes, qsizetype(size)}; }
};
static_assert(sizeof(Cell) == 16);

// Where a snapshot's rows and bytes lie. Its first 16 MiB come from the heap; beyond
// that it takes slabs the kernel may back with 2 MiB pages, so a table of a million
// rows costs a few thousand page faults instead of tens of thousands.
class SnapshotMemory {
public:
    SnapshotMemory() = default;
    ~SnapshotMemory();
    SnapshotMemory(const SnapshotMemory&) = delete;
    SnapshotMemory& operator=(const SnapshotMemory&) = delete;

    // size bytes, aligned for any value, uninitialised; held until the snapshot goes.
    char* take(std::size_t size);

private:
    std::vector<void*> m_held;
    std::size_t m_total = 0;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

// The rows of one query result, kept compactly: a snapshot of a whole table holds
// no allocation per value. Rows are filled one after another, then only read.
class Snapshot {
public:
    explicit Snapshot(QStringList names);

    const QStringList& names() const { return m_names; }
    // Lower-case field name → column (the first of equal names).
    const QHash<QString, int>& columns() const { return m_columns; }
    int width() const { return m_width; }
    int rows() const { return m_rows; }
    const Cell* row(int r) const {
        return m_blocks[std::size_t(r) / kBlockRows] + std::size_t(r) % kBlockRows * std::size_t(m_width);
    }

    // A new row of null cells, to be filled with the setters below.
    Cell* appendRow();
    void setText(Cell& cell, QByteArrayView utf8) { setBytes(cell, Cell::Kind::Text, utf8); }
    void setBlob(Cell& cell, QByteArrayView bytes) { setBytes(cell, Cell::Kind::Blob, bytes); }
    // Any value as a driver hands it out.
    void setValue(Cell& cell, const QVariant& value);

private:
    static constexpr std::size_t kBlockRows = 4096;
    static constexpr std::size_t kArenaBlock = std::size_t(1) << 20;

    void setBytes(Cell& cell, Cell::Kind kind, QByteArrayView bytes);
    // Room for size bytes in the arena; commit() takes the part that was used.
    char* reserve(std::size_t size);
    void commit(std::size_t used) {
        m_arenaNext += used;
        m_arenaLeft -= used;
    }

    QStringList m_names;
    QHash<QString, int> m_columns;
    int m_width = 0;
    int m_rows = 0;
    SnapshotMemory m_memory;
    std::vector<Cell*> m_blocks;
    char* m_arenaNext = nullptr;
    std::size_t m_arenaLeft = 0;
    std::deque<QVariant> m_others;
};

} // namespace wo::db
