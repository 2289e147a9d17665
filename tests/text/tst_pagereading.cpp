// The text of a page: the search form, and what the reading program makes of each
// kind of file, including a hostile one.
#include "Sandbox.h"
#include "TestImages.h"
#include "TextPages.h"
#include "platform/Error.h"
#include "text/Folding.h"
#include "text/PageReader.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

using wo::text::PageText;

namespace {

const QStringList kLines = {QStringLiteral("增值税专用发票"), QStringLiteral("号码 20261208"),
                            QStringLiteral("合同金额 壹万贰仟元")};

// The recognised text of the pages in search form, all pages together.
QString foldedText(const QList<PageText>& pages) {
    QString all;
    for (const PageText& p : pages)
        all += wo::text::searchForm(p.text()) + u'\n';
    return all;
}

} // namespace

class TestPageReading : public QObject {
    Q_OBJECT

private slots:
    void searchForm_data();
    void searchForm();
    void pairTokensFindShortTerms();
    void fileKinds_data();
    void fileKinds();
    void wordsHaveBoxesOnThePage();
    void hostileFileFailsInItsProgram_data();
    void hostileFileFailsInItsProgram();
    void pageOverItsTimeIsEnded();

private:
    wo::test::Sandbox m_box;
};

void TestPageReading::searchForm_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("full-width digits and letters")
        << QStringLiteral("ＡＢＣ１２３") << QStringLiteral("abc123");
    QTest::newRow("latin case") << QStringLiteral("Invoice NO") << QStringLiteral("invoice no");
    QTest::newRow("spaces between chinese") << QStringLiteral("发 票 号 码") << QStringLiteral("发票号码");
    QTest::newRow("space between chinese and digits")
        << QStringLiteral("号码 2026") << QStringLiteral("号码2026");
    QTest::newRow("runs of white space between words")
        << QStringLiteral("  total \t\n amount  ") << QStringLiteral("total amount");
    QTest::newRow("ideographic space") << QStringLiteral("合\u3000同") << QStringLiteral("合同");
    QTest::newRow("full-width comma") << QStringLiteral("壹，贰") << QStringLiteral("壹,贰");
}

void TestPageReading::searchForm() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(wo::text::searchForm(text), folded);
}

void TestPageReading::pairTokensFindShortTerms() {
    const QString tokens = wo::text::pairTokens(wo::text::searchForm(QStringLiteral("合同a")));
    const QStringList list = tokens.split(u' ');
    QCOMPARE(list.size(), 3);
    // Two characters: one whole token; one character: the prefix of a token, the
    // last character included through its pair with the end.
    QVERIFY(list.contains(wo::text::pairToken(QStringLiteral("合同"))));
    for (const QString& one : {QStringLiteral("合"), QStringLiteral("同"), QStringLiteral("a")})
        QVERIFY2(std::any_of(list.begin(), list.end(),
                             [&](const QString& t) { return t.startsWith(wo::text::pairToken(one)); }),
                 qPrintable(one));
    for (const QString& t : list)
        QVERIFY(std::all_of(t.begin(), t.end(),
                            [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }));
}

void TestPageReading::fileKinds_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("source");
    QTest::newRow("pdf text layer") << "layer.pdf" << int(PageText::Source::Layer);
    QTest::newRow("pdf without text") << "scan.pdf" << int(PageText::Source::Recognised);
    QTest::newRow("png") << "page.png" << int(PageText::Source::Recognised);
    QTest::newRow("tiff g4") << "page.tif" << int(PageText::Source::Recognised);
    QTest::newRow("text utf-8") << "note.txt" << int(PageText::Source::Plain);
    QTest::newRow("text gb18030") << "gb.txt" << int(PageText::Source::Plain);
}

void TestPageReading::fileKinds() {
    QFETCH(QString, name);
    QFETCH(int, source);
    const QString path = m_box.path(name);
    const QString content = kLines.join(u'\n');
    if (name == QLatin1String("layer.pdf") || name == QLatin1String("scan.pdf"))
        QVERIFY(wo::test::writeTextPdf(path, kLines, name == QLatin1String("scan.pdf")));
    else if (name == QLatin1String("page.png"))
        QVERIFY(wo::test::textPage(kLines).save(path, "PNG"));
    else if (name == QLatin1String("page.tif")) {
        QImageWriter writer(path, "tiff");
        writer.setCompression(1);
        QVERIFY(writer.write(wo::test::textPage(kLines, QImage::Format_Mono)));
        QVERIFY(wo::test::runTool(QStringLiteral("tiffcp"), {QStringLiteral("-c"), QStringLiteral("g4"), path,
                                                             path + QStringLiteral(".g4")}));
        QVERIFY(QFile::remove(path) && QFile::rename(path + QStringLiteral(".g4"), path));
    } else if (name == QLatin1String("note.txt"))
        m_box.writeFile(name, content.toUtf8());
    else
        m_box.writeFile(name, QStringEncoder("GB18030")(content));

    const QList<PageText> pages = wo::text::readDocument(path);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(int(pages[0].source), source);
    const QString text = foldedText(pages);
    QVERIFY2(text.contains(QStringLiteral("20261208")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("专用发票")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("合同金额")), qPrintable(text));
}

void TestPageReading::wordsHaveBoxesOnThePage() {
    // Two pages, the number on the second in its lower half: boxes are the page's.
    const QString path = m_box.path(QStringLiteral("two.tif"));
    QImage first = wo::test::textPage({QStringLiteral("第一页")}, QImage::Format_RGB32);
    QImage second = wo::test::textPage({QString(), QString(), QStringLiteral("20261208")});
    QVERIFY(first.save(m_box.path(QStringLiteral("a.tif")), "TIFF"));
    QVERIFY(second.save(m_box.path(QStringLiteral("b.tif")), "TIFF"));
    QVERIFY(wo::test::runTool(QStringLiteral("tiffcp"), {m_box.path(QStringLiteral("a.tif")),
                                                         m_box.path(QStringLiteral("b.tif")), path}));
    const QList<PageText> pages = wo::text::readDocument(path);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages[1].page, 1);
    const auto number =
        std::find_if(pages[1].words.begin(), pages[1].words.end(),
                     [](const wo::text::Word& w) { return w.text.contains(QStringLiteral("2026")); });
    QVERIFY(number != pages[1].words.end());
    // The third of four text lines: well below the middle, at the left.
    QVERIFY2(number->box.top() > wo::text::BoxUnits / 2 && number->box.left() < wo::text::BoxUnits / 4,
             qPrintable(QStringLiteral("%1,%2").arg(number->box.left()).arg(number->box.top())));
    QVERIFY(number->box.width() > 0 && number->box.height() > 0);
}

void TestPageReading::hostileFileFailsInItsProgram_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("tiff declaring a huge page")
        << wo::test::bilevelTiffDeclaring(200000, 200000) << "huge.tif";
    QTest::newRow("not an image") << QByteArray("MZ\x90\x00 not a picture at all", 24) << "fake.jpg";
    QTest::newRow("empty") << QByteArray() << "empty.png";
}

void TestPageReading::hostileFileFailsInItsProgram() {
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    const QString path = m_box.writeFile(name, content);
    try {
        wo::text::readDocument(path);
        QFAIL("a hostile file gave text");
    } catch (const wo::Error& e) {
        QCOMPARE(e.number(), wo::err::TextUnreadable);
        QVERIFY2(e.description().contains(path), qPrintable(e.description()));
    }
}

void TestPageReading::pageOverItsTimeIsEnded() {
    // A program that never answers stands for a page that takes too long.
    const QString program = m_box.writeFile(QStringLiteral("slow.sh"), "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    wo::text::ReadOptions options;
    options.program = program;
    options.pageSeconds = 1;
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(wo::Error,
                             wo::text::readDocument(m_box.path(QStringLiteral("any.png")), options));
    QVERIFY(clock.elapsed() < 10000);
}

QTEST_MAIN(TestPageReading)
#include "tst_pagereading.moc"
