#include "wendra/comhost.h"

#include <QUuid>
#include <algorithm>

namespace wo::com {

QString guidToString(const GUID& guid) {
    const uint8_t* b = guid.Data4;
    const QUuid uuid(guid.Data1, guid.Data2, guid.Data3, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    return uuid.toString(QUuid::WithBraces).toUpper();
}

std::optional<GUID> guidFromString(const QString& text) {
    constexpr qsizetype bracedLength = 38;
    if (text.size() != bracedLength || !text.startsWith(u'{') || !text.endsWith(u'}'))
        return std::nullopt;
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull())
        return std::nullopt;
    GUID guid{uuid.data1, uuid.data2, uuid.data3, {}};
    std::copy(std::begin(uuid.data4), std::end(uuid.data4), guid.Data4);
    return guid;
}

} // namespace wo::com
