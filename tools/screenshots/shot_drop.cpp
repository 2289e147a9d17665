// Files dropped on the list window of the demonstration host, as a file manager
// drops them, with the real Qt dialogs: the refusal of a folder among them, then the
// list with the files added and the last one previewed. Not a test:
// scripts/screenshot-drop.sh runs it for the README's pictures.
//
//     shot_drop screenshot-folder
#include "DemoHost.h"
#include "Sandbox.h"
#include "WalkDriver.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>
#include <cstdio>
#include <optional>

using namespace walk;

namespace {

// What the drop brings, in its order: the samples' PDF and text file, a folder, the scan.
QList<QUrl> dragged(const QString& desk) {
    QList<QUrl> urls;
    const QDir samples(QStringLiteral(WO_SAMPLES_DIR));
    for (const QString& name : {QStringLiteral("验收报告.pdf"), QStringLiteral("会议纪要.txt"), QString(),
                                QStringLiteral("购销合同（扫描件）.tif")}) {
        if (name.isEmpty()) {
            const QString folder = QDir(desk).filePath(QStringLiteral("扫描件"));
            QDir().mkpath(folder);
            urls << QUrl::fromLocalFile(folder);
        } else {
            urls << QUrl::fromLocalFile(samples.filePath(name));
        }
    }
    return urls;
}

void dropOnList(QWidget* w, const QList<QUrl>& urls) {
    QWidget* target = child<QTreeView>(w, QStringLiteral("LVOrder"))->viewport();
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    check(enter.isAccepted(), QStringLiteral("the list refuses the drag"));
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    check(drop.isAccepted(), QStringLiteral("the list refuses the drop"));
}

void dropFiles(QWidget* w, const QString& desk) {
    beginStep(QStringLiteral("dropping three files and a folder on the list"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    drive({{QStringLiteral("the folder's refusal"), isA<QMessageBox>(),
            [](QWidget* box) {
                shoot(box, QStringLiteral("drop-folder-refused"));
                click(static_cast<QMessageBox*>(box)->button(QMessageBox::Ok));
            }}},
          [&] {
              dropOnList(w, dragged(desk));
              waitFor([&] { return lv->model()->rowCount() == 3 && w->cursor().shape() == Qt::ArrowCursor; },
                      QStringLiteral("the dropped files in the list"));
          });
    shoot(w, QStringLiteral("drop-result"));
    click(w->findChild<QPushButton*>(QStringLiteral("CmdExit")));
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    wo::test::Sandbox sandbox;
    // Where the user's files lie; its name shows in the folder's refusal.
    QTemporaryDir desk(QDir::tempPath() + QStringLiteral("/桌面-XXXXXX"));
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: shot_drop screenshot-folder\n");
        return 2;
    }
    setShotFolder(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    setCleanup({sandbox.path(), desk.path()}, 60);
    const demohost::Options options = demohost::parseOptions(
        {QStringLiteral("shot_drop"), QStringLiteral("--database"), sandbox.path(QStringLiteral("shot.db")),
         QStringLiteral("--store"), sandbox.path(QStringLiteral("store")), QStringLiteral("--samples"),
         QString()});
    std::optional<demohost::Host> host;
    try {
        host.emplace(options);
    } catch (const std::exception& e) {
        fail(QStringLiteral("the host did not start: ") + QString::fromLocal8Bit(e.what()));
    }
    drive(
        {{QStringLiteral("the list window"), named(QStringLiteral("FrmMainList")),
          [&](QWidget* w) { dropFiles(w, desk.path()); }}},
        [&] { host->showForm(); }, 20000);
    host.reset();
    finished();
    return 0;
}
