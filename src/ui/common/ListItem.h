#pragma once

#include "record/ListedDocument.h"

#include <QString>

class QTreeWidgetItem;

// One document as a row of the list window's list (and, copied, of the viewer's
// navigation list): text = sequence number, then name, type and path columns; the
// tag holds the document's ID and the tooltip the path of its copy in the download
// cache ("" until it is fetched).
namespace wo::ui::ListItem {

enum Column { Number = 0, Name = 1, Type = 2, Path = 3, ColumnCount = 4 };

QTreeWidgetItem* make(const QString& number, const QString& name, const QString& type, const QString& path,
                      const QString& id);
// A new item carrying another's text, sub-items and tag, but not its cached copy.
QTreeWidgetItem* recreate(const QTreeWidgetItem* item);

QString tag(const QTreeWidgetItem* item);
// The document the item lists, as the store takes it.
record::ListedDocument document(const QTreeWidgetItem* item);
QString cachePath(const QTreeWidgetItem* item);
void setCachePath(QTreeWidgetItem* item, const QString& path);

} // namespace wo::ui::ListItem
