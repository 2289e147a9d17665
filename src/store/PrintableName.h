#pragma once

#include "wo_internal_export.h"

#include <QByteArray>
#include <QString>

// Names shown in reports, where a name from a store or a table must neither forge a
// line nor merge with another name.
namespace wo::store {

// A file name of any bytes as text, one to one: UTF-8 stays as it is, "\" becomes
// "\\", control characters become "\n", "\r", "\t", "\xNN" or "\uNNNN", and every
// byte that is not part of valid UTF-8 becomes "\xNN" (80 to ff).
WO_INTERNAL QString printableName(const QByteArray& bytes);

// Text with its control characters escaped as printableName escapes them; other
// characters, "\" included, stay.
QString printableText(const QString& text);

} // namespace wo::store
