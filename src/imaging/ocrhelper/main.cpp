// wendra-ocr: the text of one page of a stored document, as JSON on standard output.
// Runs apart from the host: a hostile file can make it fail or be ended, never the
// host. Exit status 0 with the page's words, 2 when the page could not be read.
//
//   wendra-ocr FILE PAGE [--lang LANGUAGES]
//
// PDF pages with a text layer give that layer; image pages and PDF pages without
// text are recognised; a .txt file is one page of its content.
#include "imaging/PageDocument.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <cmath>
#include <cstdio>
#include <memory>
#include <poppler-qt6.h>
#include <sys/resource.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

namespace {

// What the component reads back (text/PageText): boxes in ten-thousandths of the
// page, words with the line they stand on.
constexpr int BoxUnits = 10000;

struct Word {
    QRect box;
    QString text;
    int line = 0;
};

struct PageText {
    enum class Source { Layer, Recognised, Plain };
    Source source = Source::Plain;
    QList<Word> words;
};

constexpr int kDone = 0;
constexpr int kFailed = 2;
// A text file is one page; a larger one is not a document anybody reads as text.
constexpr qint64 kMaxTextBytes = 16 << 20;
// Pages are recognised at this resolution at most; a finer scan only costs time.
constexpr double kRecogniseDpi = 300;

[[noreturn]] void fail(const QString& text) {
    std::fprintf(stderr, "wendra-ocr: %s\n", qPrintable(text));
    std::exit(kFailed);
}

QRect scaled(double x, double y, double w, double h, double width, double height) {
    return QRect(int(std::lround(x / width * BoxUnits)), int(std::lround(y / height * BoxUnits)),
                 int(std::lround(w / width * BoxUnits)), int(std::lround(h / height * BoxUnits)));
}

PageText plainText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    if (file.size() > kMaxTextBytes)
        fail(QStringLiteral("text file larger than %1 bytes").arg(kMaxTextBytes));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString content = utf8(bytes);
    if (utf8.hasError()) {
        // Chinese texts not in UTF-8 are mostly GB 18030 (or its subsets).
        QStringDecoder gb("GB18030");
        content = gb.isValid() ? gb(bytes) : QString::fromLatin1(bytes);
    }
    PageText page;
    page.source = PageText::Source::Plain;
    const QStringList lines = content.split(u'\n');
    for (qsizetype l = 0; l < lines.size(); ++l)
        for (const QString& w : lines[l].split(QChar::Space, Qt::SkipEmptyParts))
            page.words.append({QRect(), w.trimmed(), int(l)});
    return page;
}

// The text layer of a PDF page; no words when it has none.
PageText layerText(Poppler::Page& pdfPage) {
    PageText page;
    page.source = PageText::Source::Layer;
    const QSizeF size = pdfPage.pageSizeF();
    int line = 0;
    for (const auto& box : pdfPage.textList()) {
        const QRectF r = box->boundingBox();
        page.words.append(
            {scaled(r.x(), r.y(), r.width(), r.height(), size.width(), size.height()), box->text(), line});
        if (!box->nextWord())
            ++line;
    }
    return page;
}

PageText recognise(const QImage& image, const QString& languages) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, languages.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0)
        fail(QStringLiteral("no recognition model for %1").arg(languages));
    api.SetPageSegMode(tesseract::PSM_AUTO);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    const int dpi = int(std::lround(grey.dotsPerMeterX() * 0.0254));
    api.SetSourceResolution(dpi >= 70 ? dpi : int(kRecogniseDpi));
    if (api.Recognize(nullptr) != 0)
        fail(QStringLiteral("recognition failed"));
    PageText page;
    page.source = PageText::Source::Recognised;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it)
        return page;
    int line = 0;
    do {
        const std::unique_ptr<char[]> utf8(it->GetUTF8Text(tesseract::RIL_WORD));
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (utf8 && it->BoundingBox(tesseract::RIL_WORD, &x1, &y1, &x2, &y2)) {
            const QString text = QString::fromUtf8(utf8.get()).trimmed();
            if (!text.isEmpty())
                page.words.append(
                    {scaled(x1, y1, x2 - x1, y2 - y1, grey.width(), grey.height()), text, line});
        }
        if (it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD))
            ++line;
    } while (it->Next(tesseract::RIL_WORD));
    return page;
}

// A raster page at no more than the recognition resolution.
QImage rasterPage(wo::imaging::PageDocument& document, int index) {
    const auto view = document.pageForView(index, [](QSize) { return 1.0; });
    if (!view.image.isNull()) {
        QImage image = view.image;
        const double dpi = image.dotsPerMeterX() * 0.0254;
        if (dpi > kRecogniseDpi * 1.5) {
            image = image.scaled(image.size() * (kRecogniseDpi / dpi), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
            image.setDotsPerMeterX(int(std::lround(kRecogniseDpi / 0.0254)));
            image.setDotsPerMeterY(image.dotsPerMeterX());
        }
        return image;
    }
    // Drawn part by part (PDF): the whole page at the recognition resolution.
    const double scale = kRecogniseDpi / wo::imaging::PageDocument::DrawnDpi;
    QImage image = document.drawPart(index, scale, QRect(QPoint(), view.size * scale));
    image.setDotsPerMeterX(int(std::lround(kRecogniseDpi / 0.0254)));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    return image;
}

// The layer's words when the PDF page has any, else nothing.
std::optional<PageText> pdfLayer(const QString& path, int index) {
    const std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf || pdf->isLocked())
        return std::nullopt;
    const std::unique_ptr<Poppler::Page> page = pdf->page(index);
    if (!page)
        return std::nullopt;
    PageText text = layerText(*page);
    if (text.words.isEmpty())
        return std::nullopt;
    return text;
}

bool isPdf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

void limitSelf() {
    // Below the host and the desktop; bounded in processor time and memory so that a
    // hostile page ends here instead of taking the machine.
    setpriority(PRIO_PROCESS, 0, 10);
    const rlimit cpu{120, 130};
    setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // A sanitizer's shadow memory alone takes more address space than this.
    const rlimit memory{rlim_t(3) << 30, rlim_t(3) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    limitSelf();
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString languages = QStringLiteral("chi_sim");
    const qsizetype lang = args.indexOf(QStringLiteral("--lang"));
    if (lang >= 0 && lang + 1 < args.size()) {
        languages = args[lang + 1];
        args.remove(lang, 2);
    }
    bool isNumber = false;
    const int index = args.size() == 2 ? args[1].toInt(&isNumber) : -1;
    if (!isNumber || index < 0)
        fail(QStringLiteral("usage: wendra-ocr FILE PAGE [--lang LANGUAGES]"));
    const QString path = args[0];
    try {
        PageText page;
        int pages = 1;
        if (QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0) {
            if (index != 0)
                fail(QStringLiteral("a text file has one page"));
            page = plainText(path);
        } else {
            wo::imaging::PageDocument document(path);
            pages = document.pageCount();
            if (index >= pages)
                fail(QStringLiteral("no page %1 of %2").arg(index + 1).arg(pages));
            std::optional<PageText> layer = isPdf(path) ? pdfLayer(path, index) : std::nullopt;
            page = layer ? *layer : recognise(rasterPage(document, index), languages);
        }
        static const char* const sources[] = {"layer", "recognised", "plain"};
        QJsonArray words;
        for (const Word& w : page.words)
            words.append(QJsonArray{w.box.x(), w.box.y(), w.box.width(), w.box.height(), w.line, w.text});
        const QJsonObject out{{QStringLiteral("pages"), pages},
                              {QStringLiteral("page"), index},
                              {QStringLiteral("source"), QLatin1String(sources[int(page.source)])},
                              {QStringLiteral("words"), words}};
        std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputc('\n', stdout);
        return kDone;
    } catch (const wo::Error& e) {
        fail(e.description());
    }
}
