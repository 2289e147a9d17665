#include "Sandbox.h"
#include "TestFiles.h"
#include "imaging/DesktopOpener.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace wo;
using imaging::DesktopOpener;

using wo::test::readFile;

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
    void writeScript(const QString& relative, const QByteArray& body) const;

    test::Sandbox m_box;
};

void TestDesktopOpener::writeScript(const QString& relative, const QByteArray& body) const {
    QFile script(m_box.writeFile(relative, "#!/bin/sh\n" + body));
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

void TestDesktopOpener::initTestCase() {
    qputenv("XDG_DATA_HOME", m_box.path(QStringLiteral("data")).toLocal8Bit());
    // The system's MIME database but none of its programs.
    QVERIFY(QDir().mkpath(m_box.path(QStringLiteral("shared"))));
    QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), m_box.path(QStringLiteral("shared/mime"))));
    qputenv("XDG_DATA_DIRS", m_box.path(QStringLiteral("shared")).toLocal8Bit());
    // xdg-utils' own lookup, not a desktop environment's, and it only opens files with a display.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DE", "KDE_FULL_SESSION", "BROWSER"})
        qunsetenv(name);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("DISPLAY", ":99");

    writeScript(QStringLiteral("record.sh"),
                "printf '%s' \"$1\" > '" + m_box.path(QStringLiteral("record.txt")).toLocal8Bit() + "'\n");
    m_box.writeFile(QStringLiteral("data/applications/wo-recorder.desktop"),
                    "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" +
                        m_box.path(QStringLiteral("record.sh")).toLocal8Bit() +
                        " %f\nMimeType=application/pdf;\n");
    QCOMPARE(QProcess::execute(QStringLiteral("xdg-mime"),
                               {QStringLiteral("default"), QStringLiteral("wo-recorder.desktop"),
                                QStringLiteral("application/pdf")}),
             0);
}

void TestDesktopOpener::opensAssociatedProgram() {
    const QString pdf = m_box.writeFile(QStringLiteral("docs/合同 1.pdf"), "%PDF-1.4\n%%EOF\n");
    const QString record = m_box.path(QStringLiteral("record.txt"));
    DesktopOpener().openInOwnApplication(pdf);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(record), pdf.toUtf8(), 20000);
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
    writeScript(QStringLiteral("bin-query-only/xdg-mime"), "echo wo-recorder.desktop\n");
    const QString pdf = m_box.writeFile(QStringLiteral("docs/a.pdf"), "%PDF-1.4\n%%EOF\n");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", m_box.path(bin).toLocal8Bit());
    const Error e = openError(pdf);
    qputenv("PATH", oldPath);
    QCOMPARE(e.number(), DesktopOpener::StartFailed);
    QVERIFY2(e.description().startsWith(helper + ": ") && e.description().size() > helper.size() + 2,
             qPrintable(e.description()));
}

QTEST_GUILESS_MAIN(TestDesktopOpener)
#include "tst_desktopopener.moc"
