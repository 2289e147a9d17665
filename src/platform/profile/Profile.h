#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::profile {

// Reads one value of a UTF-8 INI file the way the host's profile API does:
// section and key match without regard to case, surrounding blanks are dropped,
// lines starting with ";" are comments, and values are cut to 254 characters.
// Returns defaultText when the file, section or key is missing or the value is empty.
WO_INTERNAL QString GetPrivateProfileString(const QString& section, const QString& key,
                                            const QString& defaultText, const QString& file);

} // namespace wo::profile
