#include "Modal.h"
#include "dialogs/ScriptedDialogs.h"
#include "ui/common/Twips.h"
#include "ui/list/FrmScanName.h"

#include <QApplication>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace wo;
using dialogs::ScriptedDialogs;
using dialogs::ScriptedDialogsScope;
using ui::FrmScanName;
using ui::twipsRect;

namespace {

// Text as an input method commits it, the way Chinese text arrives.
void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestFrmScanName : public QObject {
    Q_OBJECT
private slots:
    void init() { FrmScanName::Scan_File = QStringLiteral("earlier"); }
    void layout();
    void scriptedAnswers_data();
    void scriptedAnswers();
    void emptyAtEachShowing();
    void keptBetweenShowings();
    void personAnswers_data();
    void personAnswers();
};

void TestFrmScanName::layout() {
    FrmScanName f;
    QCOMPARE(f.objectName(), QStringLiteral("FrmScanName"));
    QCOMPARE(f.windowTitle(), QStringLiteral("文件命名"));
    QCOMPARE(f.size(), twipsRect(0, 0, 5685, 1920, &f).size());
    QCOMPARE(f.Label1->text(), QStringLiteral("请给扫描文件命名："));
    QCOMPARE(f.Label1->geometry(), twipsRect(240, 240, 1620, 180, &f));
    QCOMPARE(f.TxtName->geometry(), twipsRect(360, 600, 4935, 300, &f));
    QCOMPARE(f.TxtName->maxLength(), 255);
    QCOMPARE(f.CmdOK->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(f.CmdOK->geometry(), twipsRect(3120, 1440, 1095, 330, &f));
    QCOMPARE(f.CmdCancel->text(), QStringLiteral("取消(&C)"));
    QCOMPARE(f.CmdCancel->geometry(), twipsRect(4320, 1440, 1095, 330, &f));
    for (QPushButton* b : {f.CmdOK, f.CmdCancel}) {
        QVERIFY(!b->isDefault());
        QVERIFY(!b->autoDefault());
    }
    QCOMPARE(f.Line5->geometry(), twipsRect(120, 1200, 5400, 15, &f));
    QCOMPARE(f.Line6->geometry(), twipsRect(120, 1215, 5400, 15, &f));
    QCOMPARE(f.Line5->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(f.Line6->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(f.TxtName->nextInFocusChain(), f.CmdOK);
    QCOMPARE(f.CmdOK->nextInFocusChain(), f.CmdCancel);
}

void TestFrmScanName::scriptedAnswers_data() {
    QTest::addColumn<bool>("queued");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");

    QTest::newRow("OK, Chinese name with blanks kept") << true << "  张三  "
                                                       << "CmdOK"
                                                       << "  张三  " << int(QDialog::Accepted);
    QTest::newRow("OK, empty box") << true << QString() << "CmdOK" << QString() << int(QDialog::Accepted);
    QTest::newRow("Cancel") << true << "张三"
                            << "CmdCancel" << QString() << int(QDialog::Rejected);
    QTest::newRow("closed through the frame")
        << true << "张三" << QString() << QString() << int(QDialog::Rejected);
    QTest::newRow("nothing queued") << false << QString() << QString() << QString() << int(QDialog::Rejected);
    QTest::newRow("longer than the box takes") << true << QString(300, QLatin1Char('x')) << "CmdOK"
                                               << QString(255, QLatin1Char('x')) << int(QDialog::Accepted);
}

void TestFrmScanName::scriptedAnswers() {
    QFETCH(bool, queued);
    QFETCH(QString, typed);
    QFETCH(QString, click);
    QFETCH(QString, name);
    QFETCH(int, result);

    ScriptedDialogsScope dialogs;
    if (queued)
        dialogs->queueWindow({{{QStringLiteral("TxtName"), typed}}, click});
    FrmScanName f;
    f.showModal();
    QCOMPARE(FrmScanName::Scan_File, name);
    QCOMPARE(f.result(), result);
    QVERIFY(!f.isVisible());
    const auto calls = dialogs->calls(ScriptedDialogs::Kind::Window);
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].text, QStringLiteral("FrmScanName"));
    QCOMPARE(calls[0].title, QStringLiteral("文件命名"));
    QCOMPARE(dialogs->unansweredCount(), queued ? 0 : 1);
}

void TestFrmScanName::emptyAtEachShowing() {
    ScriptedDialogsScope dialogs;
    dialogs->queueWindow({{{QStringLiteral("TxtName"), QStringLiteral("张三")}}, QStringLiteral("CmdOK")});
    dialogs->queueWindow({{}, QStringLiteral("CmdOK")});
    FrmScanName f;
    f.showModal();
    QCOMPARE(FrmScanName::Scan_File, QStringLiteral("张三"));
    // The same window shown again starts empty.
    f.showModal();
    QCOMPARE(FrmScanName::Scan_File, QString());
}

void TestFrmScanName::keptBetweenShowings() {
    ScriptedDialogsScope dialogs;
    dialogs->queueWindow({{{QStringLiteral("TxtName"), QStringLiteral("李四")}}, QStringLiteral("CmdOK")});
    FrmScanName(nullptr).showModal();
    // Unloaded and loaded again: the box is new, the answer is still there.
    FrmScanName again;
    QCOMPARE(FrmScanName::Scan_File, QStringLiteral("李四"));
    QVERIFY(again.TxtName->text().isEmpty());
}

void TestFrmScanName::personAnswers_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("name");

    QTest::newRow("OK clicked") << 0 << "王五 ab";
    QTest::newRow("Enter on the focused OK button") << 1 << "王五 ab";
    QTest::newRow("Cancel clicked") << 2 << QString();
    QTest::newRow("closed through the frame") << 3 << QString();
}

void TestFrmScanName::personAnswers() {
    QFETCH(int, how);
    QFETCH(QString, name);

    bool stayedOpen = false;
    test::whenModal([&](QWidget* modal) {
        auto* f = qobject_cast<FrmScanName*>(modal);
        QVERIFY(f);
        commitText(f->TxtName, QStringLiteral("王五"));
        QTest::keyClicks(f->TxtName, QStringLiteral(" ab"));
        // Neither Enter in the box nor Esc answers the dialog.
        QTest::keyClick(f->TxtName, Qt::Key_Return);
        QTest::keyClick(f->TxtName, Qt::Key_Escape);
        stayedOpen = f->isVisible() && FrmScanName::Scan_File == QStringLiteral("earlier");
        switch (how) {
        case 0:
            QTest::mouseClick(f->CmdOK, Qt::LeftButton);
            break;
        case 1:
            f->CmdOK->setFocus();
            QTest::keyClick(f->CmdOK, Qt::Key_Return);
            break;
        case 2:
            QTest::mouseClick(f->CmdCancel, Qt::LeftButton);
            break;
        default:
            f->close();
        }
    });
    FrmScanName f;
    f.showModal();
    QVERIFY(stayedOpen);
    QCOMPARE(FrmScanName::Scan_File, name);
}

QTEST_MAIN(TestFrmScanName)
#include "tst_frmscanname.moc"
