#pragma once

#include "StoreFixture.h"
#include "ui/list/FrmMainList.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>

// What the list window's suites share: a record in a folder store, and ways to
// read and drive the window.
namespace wo::test {

inline const QString kMonth = QStringLiteral("2026-12");

// A PNG picture of marked page n.
QByteArray pngPage(int n = 1);

// The store fixture's record "R", written into the host settings the window reads,
// with documents of the given stored orders: IDs a, b, c, ..., each a one-page
// picture of type .TIF.
struct Record : StoreFixture {
    explicit Record(const QList<int>& orders, const QString& state = QString());
    // A row of this record and its stored file (none when content is null).
    void add(const QString& id, const QString& name, const QString& type, const QByteArray& content,
             int order, const QString& recordId = QStringLiteral("R"));
    QString stored(const QString& file) const;
    // ID -> FileOrder as stored now.
    QMap<QString, int> orders();
};

QStringList column(const ui::FrmMainList& w, int col);
// The text of a row's column, as the list shows it.
QString cell(const ui::FrmMainList& w, int row, int col);
// The middle of a row in the list's viewport.
QPoint rowCentre(const ui::FrmMainList& w, int row);
QStringList tags(const ui::FrmMainList& w);
// Makes the first of rows current and selects exactly rows (0-based).
void select(ui::FrmMainList& w, const QList<int>& rows);
// Runs `check` on the first modal window that comes up, then closes it.
void whenModalThenClose(const std::function<void(QWidget*)>& check);
// Whether the widget shows any dark pixel.
bool showsInk(QWidget* view);
// Original_Name of a document in a record; "" when there is no such row.
QString nameOf(TestDatabase& db, const QString& id, const QString& recordId = QStringLiteral("R"));

} // namespace wo::test
