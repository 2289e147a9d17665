#include "platform/db/Snapshot.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <sys/mman.h>

namespace wo::db {

QVariant Cell::value() const {
    switch (kind) {
    case Kind::Null:
        break;
    case Kind::Integer:
        return QVariant(integer);
    case Kind::Float:
        return QVariant(real);
    case Kind::Text:
        return QVariant(QString::fromUtf8(view()));
    case Kind::Blob:
        return QVariant(view().toByteArray());
    case Kind::Other:
        return *other;
    }
    return {};
}

Snapshot::Snapshot(QStringList names) : m_names(std::move(names)), m_width(int(m_names.size())) {
    for (int i = 0; i < m_width; ++i) {
        const QString key = m_names[i].toLower();
        if (!m_columns.contains(key))
            m_columns.insert(key, i);
    }
}

namespace {

// How much of a snapshot comes from the heap: a record's documents stay there, since
// a first touch of a huge page costs more than the small pages such a snapshot needs.
constexpr std::size_t kFromHeap = std::size_t(16) << 20;
// The size of a huge page, and of the slabs taken beyond: large, so that little is
// lost at their ends; untouched parts take no memory.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kSlab = std::size_t(32) << 20;
constexpr std::size_t kAlign = alignof(std::max_align_t);

} // namespace

SnapshotMemory::~SnapshotMemory() {
    for (void* block : m_held)
        std::free(block);
}

char* SnapshotMemory::take(std::size_t size) {
    size = (size + kAlign - 1) / kAlign * kAlign;
    if (m_total < kFromHeap) {
        void* block = std::malloc(size);
        if (!block)
            throw std::bad_alloc();
        m_held.push_back(block);
        m_total += size;
        return static_cast<char*>(block);
    }
    if (size > m_left) {
        const std::size_t slab = (size + kSlab - 1) / kSlab * kSlab;
        void* block = std::aligned_alloc(kHugePage, slab);
        if (!block)
            throw std::bad_alloc();
        m_held.push_back(block);
        // Advice only: without huge pages the slab works as any memory.
        ::madvise(block, slab, MADV_HUGEPAGE);
        m_next = static_cast<char*>(block);
        m_left = slab;
    }
    char* at = m_next;
    m_next += size;
    m_left -= size;
    m_total += size;
    return at;
}

Cell* Snapshot::appendRow() {
    const std::size_t at = std::size_t(m_rows) % kBlockRows;
    if (at == 0) {
        const std::size_t cells = kBlockRows * std::size_t(m_width);
        auto* block = reinterpret_cast<Cell*>(m_memory.take(cells * sizeof(Cell)));
        std::uninitialized_value_construct_n(block, cells);
        m_blocks.push_back(block);
    }
    ++m_rows;
    return m_blocks.back() + at * std::size_t(m_width);
}

char* Snapshot::reserve(std::size_t size) {
    if (size > m_arenaLeft) {
        const std::size_t block = std::max(size, kArenaBlock);
        m_arenaNext = m_memory.take(block);
        m_arenaLeft = block;
    }
    return m_arenaNext;
}

void Snapshot::setBytes(Cell& cell, Cell::Kind kind, QByteArrayView bytes) {
    const auto size = std::size_t(bytes.size());
    char* to = reserve(size);
    if (size > 0)
        std::memcpy(to, bytes.data(), size);
    commit(size);
    cell.kind = kind;
    cell.size = quint32(size);
    cell.bytes = to;
}

void Snapshot::setValue(Cell& cell, const QVariant& value) {
    if (value.isNull()) {
        cell.kind = Cell::Kind::Null;
        return;
    }
    // PostgreSQL's driver hands out a positive bigint as unsigned; kept signed, it is
    // a whole number like any other.
    const bool signedFits = value.typeId() == QMetaType::ULongLong &&
                            value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
    switch (signedFits ? QMetaType::LongLong : value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        cell.kind = Cell::Kind::Integer;
        cell.integer = value.toLongLong();
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        cell.kind = Cell::Kind::Float;
        cell.real = value.toDouble();
        return;
    case QMetaType::QString: {
        // Encoded straight into the arena: no temporary per value.
        const QString& text = *static_cast<const QString*>(value.constData());
        QStringEncoder utf8(QStringEncoder::Utf8);
        char* to = reserve(std::size_t(utf8.requiredSpace(text.size())));
        const std::size_t size = std::size_t(utf8.appendToBuffer(to, text) - to);
        commit(size);
        cell.kind = Cell::Kind::Text;
        cell.size = quint32(size);
        cell.bytes = to;
        return;
    }
    case QMetaType::QByteArray:
        setBlob(cell, *static_cast<const QByteArray*>(value.constData()));
        return;
    default:
        cell.kind = Cell::Kind::Other;
        cell.other = &m_others.emplace_back(value);
        return;
    }
}

} // namespace wo::db
