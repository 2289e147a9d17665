#include "Sandbox.h"
#include "TestFiles.h"
#include "dialogs/ScriptedDialogs.h"
#include "entry/cPrinter.h"
#include "platform/shell/ShellPrint.h"
#include "store/ShellPrinter.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QWidget>
#include <cups/cups.h>

using namespace wo;
using dialogs::Answer;
using dialogs::ScriptedDialogs;

namespace {

const QString kPrompt = QStringLiteral("发现无打印关联的文件,是否终止所有文件打印?");
constexpr int kLandTimeout = 30000;

// The PDFs the run's PDF queue has written.
QStringList outputs() {
    const QDir out(qEnvironmentVariable("WO_TEST_CUPS_DIR") + QStringLiteral("/out"));
    return out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}
// The PDF the queue wrote for a job.
QString outputOf(int job) {
    const QDir out(qEnvironmentVariable("WO_TEST_CUPS_DIR") + QStringLiteral("/out"));
    const QStringList names = out.entryList({QStringLiteral("*-job_%1.pdf").arg(job)}, QDir::Files);
    return names.size() == 1 ? out.filePath(names[0]) : QString();
}

// The newest job of the default queue with its state; id 0 when there is none.
// A job is complete once its PDF is written whole.
struct Job {
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};
// All jobs of the run's server, oldest first.
QList<Job> allJobs() {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    if (count < 0)
        qFatal("cannot list print jobs: %s", cupsLastErrorString());
    QList<Job> list;
    for (int i = 0; i < count; ++i)
        list.append({jobs[i].id, jobs[i].state});
    cupsFreeJobs(count, jobs);
    std::sort(list.begin(), list.end(), [](const Job& a, const Job& b) { return a.id < b.id; });
    return list;
}
Job newestJob() {
    const QList<Job> jobs = allJobs();
    return jobs.isEmpty() ? Job() : jobs.last();
}
Job jobById(int id) {
    for (const Job& job : allJobs())
        if (job.id == id)
            return job;
    return Job();
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Holds the default queue's jobs pending while alive, so a cancel finds them.
class QueueStopped {
public:
    QueueStopped() { run(QStringLiteral("cupsdisable"), {QStringLiteral("PDF")}); }
    ~QueueStopped() { run(QStringLiteral("cupsenable"), {QStringLiteral("PDF")}); }
    QueueStopped(const QueueStopped&) = delete;
    QueueStopped& operator=(const QueueStopped&) = delete;
};

QString writePdf(const QString& path, int pages) {
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(QPointF(100, 200), QStringLiteral("page %1").arg(page));
    }
    return path;
}

// A multi-page TIFF, which CUPS would print as a blank page.
QString writeTiff(const test::Sandbox& box) {
    QStringList pages;
    for (int page = 0; page < 2; ++page) {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(page ? Qt::black : Qt::white);
        pages << box.path(QStringLiteral("page%1.tif").arg(page));
        QImageWriter writer(pages.last(), "tiff");
        if (!writer.write(image))
            qFatal("cannot write %s", qPrintable(writer.errorString()));
    }
    const QString multi = box.path(QStringLiteral("multi.tif"));
    run(QStringLiteral("tiffcp"), pages + QStringList{multi});
    return multi;
}

QByteArray randomBinary() {
    QRandomGenerator generator(20061205);
    QByteArray data(4096, Qt::Uninitialized);
    for (char& c : data)
        c = static_cast<char>(generator.bounded(256));
    data[0] = '\x01'; // no magic number starts with it
    return data;
}

QByteArray pcx() {
    QByteArray header(128, '\0');
    header[0] = '\x0a'; // maker, version 5, run-length encoded, 8 bits per pixel
    header[1] = '\x05';
    header[2] = '\x01';
    header[3] = '\x08';
    header[8] = '\x07'; // 8 x 8 pixels
    header[10] = '\x07';
    return header + QByteArray(64, '\x01');
}

} // namespace

class TestShellPrint : public QObject {
    Q_OBJECT
private slots:
    void pagesLandWhole_data();
    void pagesLandWhole();
    void chineseTextLandsAsText();
    void noRoute_data();
    void noRoute();
    void routeCommandRuns_data();
    void routeCommandRuns();
    void yesCancelsOwnPendingJob();
    void noKeepsOwnPendingJob();
    void hostPrinterPrintsWithoutOwner();
    void hostPrinterPromptsWithoutOwner();
    void printToViewUsesFileName();

private:
    test::Sandbox m_box;
};

void TestShellPrint::pagesLandWhole_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("pages");
    QTest::newRow("pdf") << writePdf(m_box.path(QStringLiteral("three.pdf")), 3) << 3;
    // Named without its type: the content decides.
    QTest::newRow("postscript") << m_box.writeFile(
                                       QStringLiteral("two-pages"),
                                       "%!PS-Adobe-3.0\n/Helvetica findfont 20 scalefont setfont\n"
                                       "72 700 moveto (one) show showpage\n"
                                       "72 700 moveto (two) show showpage\n")
                                << 2;
}

void TestShellPrint::pagesLandWhole() {
    QFETCH(QString, file);
    QFETCH(int, pages);
    const int before = outputs().size();
    QString reason;
    QVERIFY2(shell::shellPrint(file, &reason), qPrintable(reason));
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), before + 1);
    const QString info = run(QStringLiteral("pdfinfo"), {outputOf(newestJob().id)});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))),
             qPrintable(info));
}

void TestShellPrint::chineseTextLandsAsText() {
    const QString text = m_box.writeFile(QStringLiteral("notes.txt"), "原文打印测试\n第二行：中文\n");
    const int before = outputs().size();
    QString reason;
    QVERIFY2(shell::shellPrint(text, &reason), qPrintable(reason));
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), before + 1);
    const QString extracted =
        run(QStringLiteral("pdftotext"), {outputOf(newestJob().id), QStringLiteral("-")});
    QVERIFY2(extracted.contains(QStringLiteral("原文打印测试")), qPrintable(extracted));
    QVERIFY2(extracted.contains(QStringLiteral("第二行：中文")), qPrintable(extracted));
}

void TestShellPrint::noRoute_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("docx-like zip") << m_box.writeFile(QStringLiteral("letter.docx"), test::officeLike());
    QTest::newRow("random binary") << m_box.writeFile(QStringLiteral("noise.dat"), randomBinary());
    QTest::newRow("multi-page tiff") << writeTiff(m_box);
    QTest::newRow("pcx") << m_box.writeFile(QStringLiteral("picture.pcx"), pcx());
    QTest::newRow("empty name") << QString();
    QTest::newRow("missing file") << m_box.path(QStringLiteral("absent.pdf"));
}

void TestShellPrint::noRoute() {
    QFETCH(QString, file);
    QString reason;
    QVERIFY(!shell::shellPrint(file, &reason));
    QCOMPARE(reason, QStringLiteral("no program registered for printing"));

    dialogs::ScriptedDialogsScope scripted;
    scripted->queueAnswer(Answer::No);
    const int jobs = newestJob().id;
    const int outs = outputs().size();
    store::ShellPrinter operation;
    QVERIFY(!operation.PrintAnyFile(file));
    const auto prompts = scripted->calls(ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(prompts.size(), 1);
    QCOMPARE(prompts[0].text, kPrompt);
    QCOMPARE(prompts[0].title, QStringLiteral("打印提示"));
    QCOMPARE(prompts[0].buttons, dialogs::Buttons::YesNo);
    QCOMPARE(prompts[0].icon, dialogs::Icon::Question);
    QCOMPARE(newestJob().id, jobs);
    QCOMPARE(outputs().size(), outs);
}

void TestShellPrint::routeCommandRuns_data() {
    QTest::addColumn<QString>("routesFolder");
    QTest::newRow("user's routes") << QStringLiteral("config/wendra-original");
    QTest::newRow("component's routes") << QStringLiteral("component");
}

void TestShellPrint::routeCommandRuns() {
    QFETCH(QString, routesFolder);
    const QString docx = m_box.writeFile(QStringLiteral("routed.docx"), test::officeLike());
    const QString copy = m_box.path(QStringLiteral("routed copy.zip"));
    QFile::remove(copy);
    const QString routes =
        m_box.writeFile(routesFolder + QStringLiteral("/print-routes.ini"),
                        "[print]\napplication/zip = /bin/cp %f \"" + copy.toUtf8() + "\"\n");
    qputenv("WO_COMPONENT_DIR", m_box.path(QStringLiteral("component")).toLocal8Bit());
    QString reason;
    const bool handed = shell::shellPrint(docx, &reason);
    qunsetenv("WO_COMPONENT_DIR");
    QFile::remove(routes);
    QVERIFY2(handed, qPrintable(reason));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(copy).size() == QFileInfo(docx).size(), kLandTimeout);
}

void TestShellPrint::yesCancelsOwnPendingJob() {
    const QString pdf = writePdf(m_box.path(QStringLiteral("cancelled.pdf")), 1);
    const QString binary = m_box.writeFile(QStringLiteral("stop.dat"), randomBinary());
    const int outs = outputs().size();
    {
        const QueueStopped stopped;
        dialogs::ScriptedDialogsScope scripted;
        scripted->queueAnswer(Answer::Yes);
        store::ShellPrinter operation;
        QVERIFY(operation.PrintAnyFile(pdf));
        const int job = newestJob().id;
        QCOMPARE(jobById(job).state, IPP_JSTATE_PENDING);
        QVERIFY(!operation.PrintAnyFile(binary));
        QCOMPARE(scripted->calls(ScriptedDialogs::Kind::MessageBox).size(), 1);
        QCOMPARE(jobById(job).state, IPP_JSTATE_CANCELED);
    }
    QCOMPARE(outputs().size(), outs);
}

void TestShellPrint::noKeepsOwnPendingJob() {
    const QString pdf = writePdf(m_box.path(QStringLiteral("kept.pdf")), 1);
    const QString binary = m_box.writeFile(QStringLiteral("go-on.dat"), randomBinary());
    const int outs = outputs().size();
    int job = 0;
    {
        const QueueStopped stopped;
        dialogs::ScriptedDialogsScope scripted;
        scripted->queueAnswer(Answer::No);
        store::ShellPrinter operation;
        QVERIFY(operation.PrintAnyFile(pdf));
        job = newestJob().id;
        QVERIFY(!operation.PrintAnyFile(binary));
        QCOMPARE(scripted->calls(ScriptedDialogs::Kind::MessageBox).size(), 1);
        QCOMPARE(jobById(job).state, IPP_JSTATE_PENDING);
    }
    QTRY_COMPARE_WITH_TIMEOUT(jobById(job).state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), outs + 1);
}

void TestShellPrint::hostPrinterPrintsWithoutOwner() {
    const auto printer = entry::cPrinter::create();
    const QString pdf = writePdf(m_box.path(QStringLiteral("host.pdf")), 2);
    const int before = outputs().size();
    QCOMPARE(printer->PrintAnyFile(pdf.toUtf8().constData()), WO_S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), before + 1);
    const QString info = run(QStringLiteral("pdfinfo"), {outputOf(newestJob().id)});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
}

void TestShellPrint::hostPrinterPromptsWithoutOwner() {
    const auto printer = entry::cPrinter::create();
    const QString binary = m_box.writeFile(QStringLiteral("host.dat"), randomBinary());
    dialogs::ScriptedDialogsScope scripted;
    scripted->queueAnswer(Answer::No);
    QCOMPARE(printer->PrintAnyFile(binary.toUtf8().constData()), WO_S_OK);
    const auto prompts = scripted->calls(ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(prompts.size(), 1);
    QCOMPARE(prompts[0].text, kPrompt);
    QCOMPARE(scripted->unansweredCount(), 0);
}

void TestShellPrint::printToViewUsesFileName() {
    QWidget owner;
    store::ShellPrinter operation;
    operation.setOwnerForm(&owner);
    const QString text = m_box.writeFile(QStringLiteral("view.txt"), "查看打印\n");
    operation.setFileName(text);
    QCOMPARE(operation.FileName(), text);
    int before = outputs().size();
    QVERIFY(operation.PrintToView());
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), before + 1);

    const auto printer = entry::cPrinter::create();
    const QString pdf = writePdf(m_box.path(QStringLiteral("view.pdf")), 1);
    QCOMPARE(printer->put_FileName(pdf.toUtf8().constData()), WO_S_OK);
    char* stored = nullptr;
    QCOMPARE(printer->get_FileName(&stored), WO_S_OK);
    const QString storedName = QString::fromUtf8(stored);
    std::free(stored);
    QCOMPARE(storedName, pdf);
    before = outputs().size();
    QCOMPARE(printer->PrintToView(), WO_S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(newestJob().state, IPP_JSTATE_COMPLETED, kLandTimeout);
    QCOMPARE(outputs().size(), before + 1);
}

QTEST_MAIN(TestShellPrint)
#include "tst_shellprint.moc"
