#include "ListWindowFixture.h"

#include "Modal.h"
#include "TestImages.h"
#include "settings/MyInit.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QTreeView>

namespace wo::test {

QByteArray pngPage(int n) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    markedPage(n).save(&buffer, "PNG");
    return bytes;
}

Record::Record(const QList<int>& orders, const QString& state) {
    publish();
    MyInit::gsState = state;
    for (int i = 0; i < orders.size(); ++i) {
        const QString id(QChar(u'a' + i));
        add(id, id.toUpper() + QStringLiteral(".tif"), QStringLiteral(".TIF"), pngPage(), orders[i]);
    }
}

void Record::add(const QString& id, const QString& name, const QString& type, const QByteArray& content,
                 int order, const QString& recordId) {
    db.insertRow(id, name, type, recordId, order, kMonth);
    if (!content.isNull())
        box.writeFile(QStringLiteral("store/") + kMonth + u'/' + id + type, content);
}

QString Record::stored(const QString& file) const {
    return box.path(QStringLiteral("store/") + kMonth + u'/' + file);
}

QMap<QString, int> Record::orders() {
    QMap<QString, int> m;
    for (const auto& row : db.query(QStringLiteral("SELECT ID, FileOrder FROM Original_Text")))
        m[row[0].toString()] = row[1].toInt();
    return m;
}

QStringList column(const ui::FrmMainList& w, int col) {
    QStringList out;
    for (int i = 0; i < w.documents().rowCount(); ++i)
        out << w.documents().index(i, col).data().toString();
    return out;
}

QString cell(const ui::FrmMainList& w, int row, int col) {
    return w.LVOrder->model()->index(row, col).data().toString();
}

QPoint rowCentre(const ui::FrmMainList& w, int row) {
    return w.LVOrder->visualRect(w.LVOrder->model()->index(row, 0)).center();
}

QStringList tags(const ui::FrmMainList& w) {
    QStringList out;
    for (int i = 0; i < w.documents().rowCount(); ++i)
        out << w.documents().document(i).id;
    return out;
}

void select(ui::FrmMainList& w, const QList<int>& rows) {
    w.LVOrder->clearSelection();
    if (!rows.isEmpty())
        ui::setCurrentRow(w.LVOrder, rows.first(), false);
    for (int r : rows)
        ui::setRowSelected(w.LVOrder, r, true);
}

void whenModalThenClose(const std::function<void(QWidget*)>& check) {
    whenModal([check](QWidget* modal) {
        check(modal);
        modal->close();
    });
}

bool showsInk(QWidget* view) {
    const QImage shot = view->grab().toImage();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (qGray(shot.pixel(x, y)) < 64)
                return true;
    return false;
}

QString nameOf(TestDatabase& db, const QString& id, const QString& recordId) {
    const auto rows =
        db.query(QStringLiteral("SELECT Original_Name FROM Original_Text WHERE ID = '%1' AND RecordId = '%2'")
                     .arg(id, recordId));
    return rows.isEmpty() ? QString() : rows.first().first().toString();
}

} // namespace wo::test
