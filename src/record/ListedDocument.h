#pragma once

#include <QString>

namespace wo::record {

// One document of a record as the windows list it: what a row of the table names.
struct ListedDocument {
    QString id;
    QString name;
    QString type;
    QString path;
};

} // namespace wo::record
