#pragma once

#include <QString>
#include <QVariantList>

namespace wo::db {

// A statement and the values it works on. Each value stands in the text as a ?
// (the text holds no other ?) and travels to the database apart from the text, so
// no value, whatever it holds, is read as SQL. Texts are bound as text, whole
// numbers as numbers, a null QVariant as NULL.
struct Statement {
    QString text;
    QVariantList values;
};

} // namespace wo::db
