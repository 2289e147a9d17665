#include "platform/Error.h"

#include <QRegularExpression>
#include <QTest>

using namespace wo;

// The catalogue of error numbers: every number the component raises itself has a
// Chinese description, and an error made from it reads as the window shows it.
class TestError : public QObject {
    Q_OBJECT

private slots:
    void everyNumberDescribedInChinese() {
        const QRegularExpression han(QStringLiteral("\\p{Han}"));
        for (const int number : {err::InvalidArgument,
                                 err::Overflow,
                                 err::BadFileName,
                                 err::FileNotFound,
                                 err::DiskFull,
                                 err::PermissionDenied,
                                 err::PathFileAccessError,
                                 err::PathNotFound,
                                 err::InvalidFileFormat,
                                 err::InvalidPicture,
                                 err::PrinterError,
                                 err::InvalidFilter,
                                 err::NoCurrentRecord,
                                 err::ItemNotFound,
                                 err::ObjectClosed,
                                 err::ProviderNotFound,
                                 err::NoConnection,
                                 err::NoAssociatedProgram,
                                 err::ProgramStartFailed,
                                 err::ScannerProgramNotStarted,
                                 err::ScannerProgramEnded,
                                 err::PrintDialogCancelled,
                                 err::ProviderError})
            QVERIFY2(err::description(number).contains(han), qPrintable(QString::number(number)));
        QVERIFY(err::description(12345).isEmpty());
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
