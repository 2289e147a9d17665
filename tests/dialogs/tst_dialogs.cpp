#include "Modal.h"
#include "dialogs/QtDialogs.h"
#include "dialogs/QtTexts.h"
#include "dialogs/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>

using namespace wo::dialogs;

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void answersComeFromTheirQueues();
    void unansweredCallsAreClosedAndMarked_data();
    void unansweredCallsAreClosedAndMarked();
    void contextMenuChoosesByNameOrText();
    void scopeRestoresPreviousDialogs();
    void qtBoxesSpeakChinese();
    void qtOwnDialogsSpeakChineseWhileAsked();
    void boxesOverAHiddenWindowAreCentred();
    void qtTransferWindow();
};

namespace {

QStringList buttonTexts(QWidget* window) {
    QStringList texts;
    for (const QPushButton* b : window->findChildren<QPushButton*>())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

void TestDialogs::qtBoxesSpeakChinese() {
    QtDialogs qt;
    QStringList seen;
    wo::test::whenModal([&](QWidget* box) {
        seen = buttonTexts(box);
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("否(&N)"))
                b->click();
    });
    QCOMPARE(qt.messageBox(nullptr, QStringLiteral("删除？"), Buttons::YesNo, Icon::Question, QString()),
             Answer::No);
    QCOMPARE(seen, (QStringList{"否(&N)", "是(&Y)"}));

    wo::test::whenModal([&](QWidget* box) {
        seen = buttonTexts(box);
        box->findChild<QLineEdit*>()->setText(QStringLiteral("新名称"));
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(qt.inputBox(nullptr, QStringLiteral("修改文件名"), QStringLiteral("标题"), QStringLiteral("旧")),
             QStringLiteral("新名称"));
    QCOMPARE(seen, (QStringList{"取消", "确定"}));
}

void TestDialogs::answersComeFromTheirQueues() {
    ScriptedDialogs d;
    d.queueAnswer(Answer::No);
    d.queueAnswer(Answer::Yes);
    d.queueInput(QStringLiteral(" 新名"));
    d.queueFiles({QStringLiteral("/a"), QStringLiteral("/b")});
    QCOMPARE(d.messageBox(nullptr, QStringLiteral("q1"), Buttons::YesNo, Icon::Question, QStringLiteral("T")),
             Answer::No);
    QCOMPARE(d.inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("old")),
             QStringLiteral(" 新名"));
    QCOMPARE(d.messageBox(nullptr, QStringLiteral("q2"), Buttons::YesNo, Icon::Question, QString()),
             Answer::Yes);
    // An OK-only box needs no scripted answer.
    QCOMPARE(d.messageBox(nullptr, QStringLiteral("info"), Buttons::OK, Icon::Information, QString()),
             Answer::OK);
    OpenFileRequest request{QStringLiteral("pick"), QString(), QString(), true};
    QCOMPARE(d.openFiles(nullptr, request), (QStringList{"/a", "/b"}));
    QCOMPARE(d.pendingCount(), 0);
    QCOMPARE(d.unansweredCount(), 0);

    const auto boxes = d.calls(ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes[0].title, QStringLiteral("T"));
    QCOMPARE(boxes[1].title, defaultTitle());
    QCOMPARE(boxes[2].icon, Icon::Information);
    const auto input = d.calls(ScriptedDialogs::Kind::InputBox).first();
    QCOMPARE(input.defaultText, QStringLiteral("old"));
    QCOMPARE(d.calls(ScriptedDialogs::Kind::OpenFiles).first().request.multiSelect, true);
    QCOMPARE(d.calls().size(), 5);
}

void TestDialogs::unansweredCallsAreClosedAndMarked_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("answer");
    QTest::newRow("YesNo") << int(Buttons::YesNo) << int(Answer::No);
    QTest::newRow("YesNoCancel") << int(Buttons::YesNoCancel) << int(Answer::Cancel);
    QTest::newRow("OKCancel") << int(Buttons::OKCancel) << int(Answer::Cancel);
    QTest::newRow("AbortRetryIgnore") << int(Buttons::AbortRetryIgnore) << int(Answer::Abort);
}

void TestDialogs::unansweredCallsAreClosedAndMarked() {
    QFETCH(int, buttons);
    ScriptedDialogs d;
    QTEST(int(d.messageBox(nullptr, QStringLiteral("?"), Buttons(buttons), Icon::Question, QString())),
          "answer");
    QVERIFY(d.inputBox(nullptr, QStringLiteral("p"), QString(), QStringLiteral("x")).isEmpty());
    QVERIFY(d.openFiles(nullptr, {}).isEmpty());
    QCOMPARE(d.unansweredCount(), 3);
}

void TestDialogs::contextMenuChoosesByNameOrText() {
    QMenu menu;
    QAction* rename = menu.addAction(QStringLiteral("修改原文名称"));
    rename->setObjectName(QStringLiteral("RenameFile"));
    QAction* other = menu.addAction(QStringLiteral("其他"));
    ScriptedDialogs d;
    d.queueMenuChoice(QStringLiteral("RenameFile"));
    d.queueMenuChoice(QStringLiteral("其他"));
    d.queueMenuChoice(QString());
    QCOMPARE(d.contextMenu(&menu, {}), rename);
    QCOMPARE(d.contextMenu(&menu, {}), other);
    QCOMPARE(d.contextMenu(&menu, {}), nullptr);
    QCOMPARE(d.calls().first().menuItems, (QStringList{"修改原文名称", "其他"}));
    QCOMPARE(d.calls().first().text, QStringLiteral("修改原文名称"));
    QCOMPARE(d.unansweredCount(), 0);
}

void TestDialogs::scopeRestoresPreviousDialogs() {
    Dialogs* before = &current();
    {
        ScriptedDialogsScope outer;
        QCOMPARE(&current(), &*outer);
        {
            ScriptedDialogsScope inner;
            QCOMPARE(&current(), &*inner);
        }
        QCOMPARE(&current(), &*outer);
    }
    QCOMPARE(&current(), before);
}

void TestDialogs::qtOwnDialogsSpeakChineseWhileAsked() {
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    {
        const QtChineseTexts chinese;
        QCOMPARE(cancel(), QStringLiteral("取消"));
        // A translation already in place is left as it is.
        const QtChineseTexts nested;
        QCOMPARE(cancel(), QStringLiteral("取消"));
    }
    // The host's windows keep their own language afterwards.
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

// A window that is not shown yet (a list window starting with a scan) has no place on
// the screen: a box asked over it comes up centred, not at the screen's corner.
void TestDialogs::boxesOverAHiddenWindowAreCentred() {
    QWidget hidden;
    hidden.setGeometry(0, 0, 300, 200);
    const QPoint screenCentre = QApplication::primaryScreen()->availableGeometry().center();
    QPoint centre;
    wo::test::whenModal([&](QWidget* box) {
        centre = box->frameGeometry().center();
        box->close();
    });
    QtDialogs().messageBox(&hidden, QStringLiteral("扫描结束，是否保存该扫描文件？"), Buttons::YesNo,
                           Icon::Question, QString());
    QVERIFY2((centre - screenCentre).manhattanLength() < 40,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    QCOMPARE(QtDialogs::shownParent(&hidden), nullptr);
    hidden.show();
    QCOMPARE(QtDialogs::shownParent(&hidden), &hidden);
}

// The window a person sees: the document, bytes done of total and the rate; while it
// is open no other window takes input; its button cancels.
void TestDialogs::qtTransferWindow() {
    const auto progress = QtDialogs().transferProgress(nullptr, QStringLiteral("合同.pdf"));
    progress->update(3 << 20, 12 << 20, 1.5 * (1 << 20));
    QProgressDialog* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("TransferProgress") && w->isVisible())
            window = qobject_cast<QProgressDialog*>(w);
    QVERIFY(window);
    QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    QCOMPARE(window->findChild<QLabel*>()->text(),
             QStringLiteral("合同.pdf\n已传输 3.0 MB / 12.0 MB，1.5 MB/秒"));
    QCOMPARE(window->value() * 4, window->maximum());
    QVERIFY(!progress->cancelled());
    window->findChild<QPushButton*>()->click();
    QVERIFY(progress->cancelled());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
