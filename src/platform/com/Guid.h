#pragma once

#include "wendra/com.h"

#include <QString>
#include <optional>

namespace wo::com {

// The braced text form the registry stores: "{6A1C2E41-5B3D-4E8F-9A10-2C4B7D813001}".
QString guidToString(const GUID& guid);
// Parses the braced form in either case. The nil GUID names no class, so it is
// rejected along with anything malformed.
std::optional<GUID> guidFromString(const QString& text);

} // namespace wo::com
