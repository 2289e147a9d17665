#include "text/PageReader.h"

#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace wo::text {

namespace {

PageText::Source sourceNamed(const QString& name) {
    if (name == QLatin1String("layer"))
        return PageText::Source::Layer;
    if (name == QLatin1String("recognised"))
        return PageText::Source::Recognised;
    return PageText::Source::Plain;
}

[[noreturn]] void pageFailed(const QString& file, int page, const QString& why) {
    throw Error(err::TextUnreadable,
                QStringLiteral("%1 第 %2 页无法读出文字：%3").arg(file).arg(page + 1).arg(why));
}

// One page; `pages` receives the file's page count.
PageText readPage(const QString& file, int page, const ReadOptions& options, int& pages) {
    const QString program =
        options.program.isEmpty() ? profile::moduleFolder() + QStringLiteral("/wendra-ocr") : options.program;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Recognition with several threads is slower on a loaded machine; cores are
    // shared by running one process per core instead.
    env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.start(program, {file, QString::number(page), QStringLiteral("--lang"), options.languages});
    if (!process.waitForStarted())
        throw Error(err::ProgramStartFailed, program + QStringLiteral("：") + process.errorString());
    QElapsedTimer clock;
    clock.start();
    constexpr int kPollMs = 100;
    while (!process.waitForFinished(kPollMs)) {
        const bool cancelled = options.cancelled && options.cancelled();
        if (cancelled || clock.elapsed() >= qint64(options.pageSeconds) * 1000) {
            process.kill();
            process.waitForFinished();
            pageFailed(file, page,
                       cancelled ? QStringLiteral("已取消")
                                 : QStringLiteral("超过 %1 秒").arg(options.pageSeconds));
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString why = QString::fromUtf8(process.readAllStandardError()).trimmed();
        pageFailed(file, page,
                   why.isEmpty() ? QStringLiteral("读取程序异常结束（%1）").arg(process.exitCode()) : why);
    }
    const QJsonObject out = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    pages = out.value(QStringLiteral("pages")).toInt();
    PageText text;
    text.page = page;
    text.source = sourceNamed(out.value(QStringLiteral("source")).toString());
    text.words = PageText::wordsFromJson(
        QJsonDocument(out.value(QStringLiteral("words")).toArray()).toJson(QJsonDocument::Compact));
    return text;
}

} // namespace

QList<PageText> readDocument(const QString& file, const ReadOptions& options) {
    QList<PageText> pages;
    int count = 1;
    for (int page = 0; page < count; ++page)
        pages.append(readPage(file, page, options, count));
    return pages;
}

} // namespace wo::text
