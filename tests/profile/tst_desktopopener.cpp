#include "Sandbox.h"
#include "TestAssociation.h"
#include "imaging/DesktopOpener.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <optional>

using namespace wo;
using imaging::DesktopOpener;

namespace {

// Runs the opener and returns the error it threw; number 0 when it returned.
Error openError(const QString& path) {
    try {
        DesktopOpener().openInOwnApplication(path);
    } catch (const Error& e) {
        return e;
    }
    return Error(0, QString());
}

} // namespace

// The desktop's associations live in the sandbox: a recorder program is the
// only one known, and it is associated with PDF alone.
class TestDesktopOpener : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void opensAssociatedProgram();
    void missingFile_data();
    void missingFile();
    void typeWithoutProgram();
    void helperMissing_data();
    void helperMissing();

private:
    test::Sandbox m_box;
    std::optional<test::TestAssociation> m_association;
};

void TestDesktopOpener::initTestCase() {
    m_association.emplace(m_box, QStringList{QStringLiteral("application/pdf")});
}

void TestDesktopOpener::opensAssociatedProgram() {
    const QString pdf = m_box.writeFile(QStringLiteral("docs/合同 1.pdf"), "%PDF-1.4\n%%EOF\n");
    DesktopOpener().openInOwnApplication(pdf);
    QTRY_COMPARE_WITH_TIMEOUT(m_association->recorded(), pdf.toUtf8(), 20000);
}

void TestDesktopOpener::missingFile_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("no such file") << "docs/none.pdf";
    QTest::newRow("a folder") << "docs";
}

void TestDesktopOpener::missingFile() {
    QFETCH(QString, relative);
    m_box.writeFile(QStringLiteral("docs/other.txt"), "x");
    const QString path = m_box.path(relative);
    const Error e = openError(path);
    QCOMPARE(e.number(), err::FileNotFound);
    QCOMPARE(e.description(), QStringLiteral("文件未找到：") + path);
}

void TestDesktopOpener::typeWithoutProgram() {
    const QString text = m_box.writeFile(QStringLiteral("docs/说明.txt"), "plain text\n");
    const Error e = openError(text);
    QCOMPARE(e.number(), DesktopOpener::NoAssociatedProgram);
    QCOMPARE(e.description(), QStringLiteral("没有与该文件关联的程序：说明.txt"));
}

void TestDesktopOpener::helperMissing_data() {
    QTest::addColumn<QString>("bin");
    QTest::addColumn<QString>("helper");
    QTest::newRow("no xdg-mime") << "bin-empty"
                                 << "xdg-mime";
    QTest::newRow("no xdg-open") << "bin-query-only"
                                 << "xdg-open";
}

void TestDesktopOpener::helperMissing() {
    QFETCH(QString, bin);
    QFETCH(QString, helper);
    QVERIFY(QDir().mkpath(m_box.path(bin)));
    test::TestAssociation::writeScript(m_box, QStringLiteral("bin-query-only/xdg-mime"),
                                       "echo wo-recorder.desktop\n");
    const QString pdf = m_box.writeFile(QStringLiteral("docs/a.pdf"), "%PDF-1.4\n%%EOF\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", m_box.path(bin).toLocal8Bit());
    const Error e = openError(pdf);
    qputenv("PATH", oldPath);
    QCOMPARE(e.number(), DesktopOpener::StartFailed);
    const QString prefix = QStringLiteral("程序不能启动：") + helper + QStringLiteral("：");
    QVERIFY2(e.description().startsWith(prefix) && e.description().size() > prefix.size(),
             qPrintable(e.description()));
}

QTEST_GUILESS_MAIN(TestDesktopOpener)
#include "tst_desktopopener.moc"
