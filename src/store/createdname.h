#pragma once

#include "wo_internal_export.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace wo::store {

// Makes document identifiers: 20 decimal digits, the local date and time to the
// second (yyyyMMddhhmmss) followed by 6 random digits, so they sort by creation.
class WO_INTERNAL createdname {
public:
    using Clock = std::function<QDateTime()>;
    // A fraction r with 0 <= r < 1.
    using Random = std::function<double()>;

    // Defaults: the local clock and a generator seeded once per thread from the
    // system's entropy source, so identifiers made milliseconds apart differ.
    explicit createdname(Clock clock = {}, Random random = {});

    QString CreateName() const;

    // The text trimmed and preceded by as many "0" as it falls short of width.
    static QString PadWithZeros(const QString& text, qint16 width);
    // The text repeated count times; "" for a count of 0 or less.
    static QString RepeatText(qint16 count, const QString& text);

    const Clock& clock() const { return m_clock; }

private:
    Clock m_clock;
    Random m_random;
};

} // namespace wo::store
