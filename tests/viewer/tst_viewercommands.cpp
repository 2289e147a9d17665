#include "ui/viewer/ViewerCommands.h"

#include <QTest>

using wo::ui::ViewerState;

namespace {

const QStringList kToolbar{"ZoomIn", "ZoomOut",    "OwnFit",      "FitShow", "FitWidth", "Select", "ZoomSize",
                           "Init",   "RotateLeft", "RotateRight", "First",   "Previous", "Next",   "Last",
                           "Print",  "PreFile",    "NextFile",    "ShowLV",  "Exit"};
const QStringList kAlways{"Print", "ShowLV", "Exit"};
const QStringList kImage{"ZoomIn", "ZoomOut", "OwnFit", "FitShow", "FitWidth", "RotateLeft", "RotateRight"};

} // namespace

class TestViewerCommands : public QObject {
    Q_OBJECT
private slots:
    void enabled_data() {
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("selecting");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("document");
        QTest::addColumn<int>("documents");
        QTest::addColumn<QStringList>("enabled");
        const QStringList shown = kAlways + kImage;
        QTest::newRow("first page, first document")
            << true << false << 1 << 5 << 1 << 3 << shown + QStringList{"Select", "Next", "Last", "NextFile"};
        QTest::newRow("middle page, middle document")
            << true << false << 3 << 5 << 2 << 3
            << shown + QStringList{"Select", "First", "Previous", "Next", "Last", "PreFile", "NextFile"};
        QTest::newRow("last page, last document")
            << true << false << 5 << 5 << 3 << 3
            << shown + QStringList{"Select", "First", "Previous", "PreFile"};
        QTest::newRow("second of two pages")
            << true << false << 2 << 2 << 1 << 2
            << shown + QStringList{"Select", "First", "Previous", "NextFile"};
        QTest::newRow("single page, single document")
            << true << false << 1 << 1 << 1 << 1 << shown + QStringList{"Select"};
        QTest::newRow("selecting") << true << true << 2 << 5 << 2 << 3
                                   << shown + QStringList{"ZoomSize", "Init", "First",   "Previous",
                                                          "Next",     "Last", "PreFile", "NextFile"};
        QTest::newRow("no image") << false << false << 1 << 0 << 2 << 3
                                  << kAlways + QStringList{"PreFile", "NextFile"};
        QTest::newRow("no image, last document")
            << false << false << 1 << 0 << 3 << 3 << kAlways + QStringList{"PreFile"};
        QTest::newRow("no image left in selection mode") << false << true << 1 << 0 << 1 << 1 << kAlways;
    }
    void enabled() {
        QFETCH(bool, image);
        QFETCH(bool, selecting);
        QFETCH(int, page);
        QFETCH(int, pages);
        QFETCH(int, document);
        QFETCH(int, documents);
        QFETCH(QStringList, enabled);
        const ViewerState state{image, selecting, page, pages, document, documents};
        for (const QString& key : kToolbar)
            QVERIFY2(wo::ui::commandEnabled(*wo::ui::commandNamed(key), state) == enabled.contains(key),
                     qPrintable(key));
        QVERIFY(!wo::ui::commandNamed(u"Nothing"));
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("command");
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 0 << "Previous";
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 0 << "Next";
        QTest::newRow("home") << int(Qt::Key_Home) << 0 << "First";
        QTest::newRow("end") << int(Qt::Key_End) << 0 << "Last";
        QTest::newRow("plus") << int(Qt::Key_Plus) << 0 << "ZoomIn";
        QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << "ZoomOut";
        QTest::newRow("shift+plus") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << "ZoomIn";
        QTest::newRow("keypad minus") << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << "ZoomOut";
        QTest::newRow("ctrl+end") << int(Qt::Key_End) << int(Qt::ControlModifier) << "Last";
        QTest::newRow("equal") << int(Qt::Key_Equal) << 0 << QString();
        QTest::newRow("down") << int(Qt::Key_Down) << 0 << QString();
        QTest::newRow("space") << int(Qt::Key_Space) << 0 << QString();
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << QString();
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << QString();
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        const auto command =
            wo::ui::commandOfKey(QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key)));
        QTEST(command ? wo::ui::commandEntry(*command).key.toString() : QString(), "command");
    }
};

QTEST_GUILESS_MAIN(TestViewerCommands)
#include "tst_viewercommands.moc"
