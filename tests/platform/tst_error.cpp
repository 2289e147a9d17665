#include "platform/Error.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace wo;

// The catalogue of error numbers: every number the component raises itself has a
// Chinese description, and an error made from it reads as the window shows it.
class TestError : public QObject {
    Q_OBJECT

private slots:
    void everyNumberDescribedInChinese() {
        const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QSet<int> numbers;
        for (const err::Entry& entry : err::catalogue()) {
            QVERIFY2(!numbers.contains(entry.number), qPrintable(QString::number(entry.number)));
            numbers.insert(entry.number);
            QVERIFY2(entry.description.contains(han), qPrintable(QString::number(entry.number)));
            QVERIFY2(!entry.gloss.isEmpty() && !entry.gloss.contains(han), qPrintable(entry.gloss));
            QCOMPARE(err::description(entry.number), entry.description);
        }
        // Numbers callers test or hosts meet, beyond those named in the code's constants.
        for (const int number : {380, 31006, 31007, 31011, 32275, 32755, 31042, 31043, 31044})
            QVERIFY2(numbers.contains(number), qPrintable(QString::number(number)));
        QVERIFY(err::description(12345).isEmpty());
        QVERIFY(!err::description(err::ScannerBase + 12).isEmpty());
    }

    // The public header and the installed table are for hosts; they say what the
    // catalogue says, number for number.
    void hostListsMatchCatalogue() {
        QMap<int, QString> glosses;
        for (const err::Entry& entry : err::catalogue())
            glosses.insert(entry.number, entry.gloss);

        QFile header(QStringLiteral(WO_SOURCE_DIR "/include/wendra/errors.h"));
        QVERIFY(header.open(QIODevice::ReadOnly));
        const QRegularExpression define(
            QStringLiteral("^#define WO_ERR_\\w+ \\(?(-?\\d+)\\)?(?: +/\\* (.*) \\*/)?$"),
            QRegularExpression::MultilineOption);
        QMap<int, QString> declared;
        for (const auto& m : define.globalMatch(QString::fromUtf8(header.readAll())))
            if (m.hasCaptured(2))
                declared.insert(m.captured(1).toInt(), m.captured(2));
        QCOMPARE(declared, glosses);

        QFile table(QStringLiteral(WO_SOURCE_DIR "/resources/errors/errors.tsv"));
        QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines = QString::fromUtf8(table.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.takeFirst(), QStringLiteral("number\tdescription\tgloss"));
        QStringList expected;
        for (const err::Entry& entry : err::catalogue())
            expected << QString::number(entry.number) + u'\t' + entry.description + u'\t' + entry.gloss;
        QCOMPARE(lines, expected);
    }

    void madeErrorsCarryDetail() {
        const Error plain = err::make(err::InvalidPicture);
        QCOMPARE(plain.number(), 481);
        QCOMPARE(plain.description(), QStringLiteral("图片无效"));
        const Error detailed = err::make(err::FileNotFound, QStringLiteral("/a/b.TIF"));
        QCOMPARE(detailed.description(), QStringLiteral("文件未找到：/a/b.TIF"));
        QCOMPARE(QByteArray(detailed.what()), QStringLiteral("53: 文件未找到：/a/b.TIF").toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestError)
#include "tst_error.moc"
