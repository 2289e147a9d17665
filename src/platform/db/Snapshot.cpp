#include "platform/db/Snapshot.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstring>
#include <limits>

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

Cell* Snapshot::appendRow() {
    const std::size_t at = std::size_t(m_rows) % kBlockRows;
    if (at == 0)
        m_blocks.push_back(std::make_unique<Cell[]>(kBlockRows * std::size_t(m_width)));
    ++m_rows;
    return m_blocks.back().get() + at * std::size_t(m_width);
}

char* Snapshot::reserve(std::size_t size) {
    if (size > m_arenaLeft) {
        const std::size_t block = std::max(size, kArenaBlock);
        m_arena.push_back(std::make_unique_for_overwrite<char[]>(block));
        m_arenaNext = m_arena.back().get();
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
