#include "Sandbox.h"
#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"
#include "platform/profile/Profile.h"
#include "ui/common/TypeIcon.h"
#include "ui/list/FrmMainList.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QTest>

using namespace wo;
using namespace Qt::StringLiterals;
using profile::GetPrivateProfileString;
using ui::ErrorPolicy;

namespace {

const QString Default = QStringLiteral("DEF");

QByteArray png(const QColor& color) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A pixmap keeps premultiplied pixels, so translucent pixels compare only in that form.
QImage comparable(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A placeable Windows metafile of 48 x 48 units at 96 a inch: a red rectangle
// from 8 to 40 on a white ground.
QByteArray wmfRectangle() {
    QByteArray records;
    QDataStream out(&records, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto record = [&](quint16 function, std::initializer_list<quint16> words) {
        out << quint32(3 + words.size()) << function;
        for (const quint16 w : words)
            out << w;
    };
    record(0x020B, {0, 0});                 // SETWINDOWORG
    record(0x020C, {48, 48});               // SETWINDOWEXT
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // CREATEBRUSHINDIRECT, solid red
    record(0x012D, {0});                    // SELECTOBJECT
    record(0x041B, {40, 40, 8, 8});         // RECTANGLE
    record(0x0000, {});                     // EOF
    QByteArray file;
    QDataStream head(&file, QIODevice::WriteOnly);
    head.setByteOrder(QDataStream::LittleEndian);
    const quint16 placeable[] = {0xCDD7, 0x9AC6, 0, 0, 0, 48, 48, 96, 0, 0};
    quint16 checksum = 0;
    for (const quint16 w : placeable) {
        head << w;
        checksum ^= w;
    }
    head << checksum;
    // Memory metafile, 9-word header, version 3, its size in words, one object, the longest record.
    head << quint16(1) << quint16(9) << quint16(0x0300) << quint32(9 + records.size() / 2) << quint16(1)
         << quint32(7) << quint16(0);
    return file + records;
}

// An enhanced metafile's header record alone, which no reader here takes.
QByteArray emfHeader() {
    QByteArray file(108, '\0');
    file[0] = 1;
    file[4] = 108;
    file.replace(40, 4, " EMF");
    return file;
}

enum class Shown { Configured, Drawn, DefaultIcon, Empty };

} // namespace

Q_DECLARE_METATYPE(ErrorPolicy)
Q_DECLARE_METATYPE(Shown)

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void readsIni_data();
    void readsIni();
    void missingFileGivesDefault();
    void showsTypeIcon_data();
    void showsTypeIcon();
    void shippedIconsLoad_data();
    void shippedIconsLoad();
};

void TestProfile::readsIni_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray icon = "[ICON]\n.doc=word.png\n";
    QTest::newRow("plain") << icon << "ICON"
                           << ".doc"
                           << "word.png";
    QTest::newRow("section case") << icon << "icon"
                                  << ".doc"
                                  << "word.png";
    QTest::newRow("key case") << QByteArray("[ICON]\n.DOC=word.png\n") << "ICON"
                              << ".doc"
                              << "word.png";
    QTest::newRow("blanks trimmed") << QByteArray("  [ ICON ]  \n  .doc   =   word.png  \n") << "ICON"
                                    << ".doc"
                                    << "word.png";
    QTest::newRow("blanks inside kept") << QByteArray("[ICON]\n.doc = my word.png\n") << "ICON"
                                        << ".doc"
                                        << "my word.png";
    QTest::newRow("comment ignored") << QByteArray("[ICON]\n;.doc=word.png\n") << "ICON"
                                     << ".doc" << Default;
    QTest::newRow("indented comment") << QByteArray("[ICON]\n  ; .doc=word.png\n.doc=x.png\n") << "ICON"
                                      << ".doc"
                                      << "x.png";
    QTest::newRow("other section") << QByteArray("[OTHER]\n.doc=word.png\n[ICON]\n.xls=x.png\n") << "ICON"
                                   << ".doc" << Default;
    QTest::newRow("missing section") << icon << "TYPE"
                                     << ".doc" << Default;
    QTest::newRow("missing key") << icon << "ICON"
                                 << ".xls" << Default;
    QTest::newRow("empty value") << QByteArray("[ICON]\n.doc=\n") << "ICON"
                                 << ".doc" << Default;
    QTest::newRow("blank value") << QByteArray("[ICON]\n.doc=   \n") << "ICON"
                                 << ".doc" << Default;
    QTest::newRow("empty key") << QByteArray("[ICON]\n=word.png\n") << "ICON"
                               << "" << Default;
    QTest::newRow("line without =") << QByteArray("[ICON]\n.doc\n.doc=word.png\n") << "ICON"
                                    << ".doc"
                                    << "word.png";
    QTest::newRow("= in value") << QByteArray("[ICON]\n.doc=a=b\n") << "ICON"
                                << ".doc"
                                << "a=b";
    QTest::newRow("first duplicate wins") << QByteArray("[ICON]\n.doc=one\n.doc=two\n") << "ICON"
                                          << ".doc"
                                          << "one";
    QTest::newRow("section repeated") << QByteArray("[ICON]\n.xls=x\n[A]\n[icon]\n.doc=later\n") << "ICON"
                                      << ".doc"
                                      << "later";
    QTest::newRow("dots and backslashes") << QByteArray("[S.1\\x]\na.b\\c=v\n") << "s.1\\X"
                                          << "A.B\\C"
                                          << "v";
    QTest::newRow("utf-8") << QByteArray("[图标]\n名称=图库值\n") << "图标"
                           << "名称"
                           << "图库值";
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[ICON]\n.doc=word.png\n") << "ICON"
                                     << ".doc"
                                     << "word.png";
    QTest::newRow("crlf") << QByteArray("[ICON]\r\n.doc=word.png\r\n") << "ICON"
                          << ".doc"
                          << "word.png";
    QTest::newRow("254 kept") << "[ICON]\n.doc=" + QByteArray(254, 'a') << "ICON"
                              << ".doc" << QString(254, u'a');
    QTest::newRow("cut to 254") << "[ICON]\n.doc=" + QByteArray(253, 'a') + "bcd\n"
                                << "ICON"
                                << ".doc" << QString(253, u'a') + u'b';
    QTest::newRow("cut counts characters") << "[ICON]\n.doc=" + QString(300, u'图').toUtf8() << "ICON"
                                           << ".doc" << QString(254, u'图');
}

void TestProfile::readsIni() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    test::Sandbox box;
    const QString file = box.writeFile(QStringLiteral("t.ini"), content);
    QCOMPARE(GetPrivateProfileString(section, key, Default, file), expected);
}

void TestProfile::missingFileGivesDefault() {
    test::Sandbox box;
    QCOMPARE(GetPrivateProfileString(QStringLiteral("ICON"), QStringLiteral(".doc"), Default,
                                     box.path(QStringLiteral("none.ini"))),
             Default);
}

void TestProfile::showsTypeIcon_data() {
    QTest::addColumn<QByteArray>("ini"); // null: no FileType.INI
    QTest::addColumn<QString>("type");
    QTest::addColumn<ErrorPolicy>("policy");
    QTest::addColumn<Shown>("shown");
    QTest::addColumn<int>("error");

    struct Case {
        const char* name;
        QByteArray ini;
        QString type;
        Shown shown;
        bool failsToLoad;
    };
    const Case cases[] = {
        {"configured", "[ICON]\n.doc=word.png\n", QStringLiteral(".doc"), Shown::Configured, false},
        {"upper-case key in file", "[icon]\n.DOC = word.png\n", QStringLiteral(".doc"), Shown::Configured,
         false},
        {"missing key", "[ICON]\n.doc=word.png\n", QStringLiteral(".xls"), Shown::DefaultIcon, false},
        {"empty value", "[ICON]\n.doc=\n", QStringLiteral(".doc"), Shown::DefaultIcon, false},
        {"missing picture", "[ICON]\n.doc=gone.png\n", QStringLiteral(".doc"), Shown::DefaultIcon, false},
        {"no FileType.INI", QByteArray(), QStringLiteral(".doc"), Shown::DefaultIcon, false},
        {"empty type", "[ICON]\n=word.png\n", QString(), Shown::DefaultIcon, false},
        {"not a picture", "[ICON]\n.doc=text.png\n", QStringLiteral(".doc"), Shown::Empty, true},
        {"damaged picture", "[ICON]\n.doc=cut.png\n", QStringLiteral(".doc"), Shown::Empty, true},
        {"Windows metafile", "[ICON]\n.doc=word.wmf\n", QStringLiteral(".doc"), Shown::Drawn, false},
        {"damaged Windows metafile", "[ICON]\n.doc=cut.wmf\n", QStringLiteral(".doc"), Shown::Empty, true},
        {"enhanced metafile, no reader", "[ICON]\n.doc=word.emf\n", QStringLiteral(".doc"), Shown::Empty,
         false},
    };
    for (const Case& c : cases) {
        QTest::addRow("%s, silent", c.name) << c.ini << c.type << ErrorPolicy::Silent << c.shown << 0;
        QTest::addRow("%s, throwing", c.name)
            << c.ini << c.type << ErrorPolicy::Throw << c.shown << (c.failsToLoad ? 481 : 0);
    }
}

void TestProfile::showsTypeIcon() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, type);
    QFETCH(ErrorPolicy, policy);
    QFETCH(Shown, shown);
    QFETCH(int, error);

    test::Sandbox box;
    qputenv("WO_COMPONENT_DIR", box.path().toLocal8Bit());
    const QByteArray word = png(Qt::red);
    box.writeFile(QStringLiteral("图库/word.png"), word);
    box.writeFile(QStringLiteral("图库/text.png"), "not a picture");
    box.writeFile(QStringLiteral("图库/cut.png"), word.left(word.size() / 2));
    box.writeFile(QStringLiteral("图库/word.wmf"), wmfRectangle());
    box.writeFile(QStringLiteral("图库/cut.wmf"), wmfRectangle().left(40));
    box.writeFile(QStringLiteral("图库/word.emf"), emfHeader());
    if (!ini.isNull())
        box.writeFile(QStringLiteral("FileType.INI"), ini);

    // The list window's own labels; the icon starts with a previous picture.
    ui::FrmMainList window;
    window.ImgTypeICO->setPixmap(QPixmap::fromImage(QImage(8, 8, QImage::Format_ARGB32)));
    int thrown = 0;
    try {
        if (policy == ErrorPolicy::Silent)
            window.ShowTypeIcon(type);
        else
            ui::ShowTypeIcon(window.ImgTypeICO, window.ImgBack, type, policy);
    } catch (const Error& e) {
        thrown = e.number();
        QCOMPARE(e.description(), QStringLiteral("图片无效"));
    }
    qunsetenv("WO_COMPONENT_DIR");
    QCOMPARE(thrown, error);

    const QPixmap icon = window.ImgTypeICO->pixmap();
    switch (shown) {
    case Shown::Configured:
        QCOMPARE(comparable(icon.toImage()), comparable(QImage::fromData(word)));
        break;
    case Shown::Drawn: {
        const QImage drawn = icon.toImage();
        QVERIFY(!drawn.isNull());
        QCOMPARE(drawn.pixelColor(drawn.rect().center()), QColor(Qt::red));
        break;
    }
    case Shown::DefaultIcon:
        QVERIFY(!window.ImgBack->pixmap().isNull());
        QCOMPARE(comparable(icon.toImage()), comparable(window.ImgBack->pixmap().toImage()));
        break;
    case Shown::Empty:
        QVERIFY(icon.isNull());
        break;
    }
}

void TestProfile::shippedIconsLoad_data() {
    QTest::addColumn<QString>("type");
    // The common types, and every key the shipped file has.
    QStringList types = {u".doc"_s, u".docx"_s, u".xls"_s, u".xlsx"_s, u".ppt"_s,  u".pptx"_s, u".wps"_s,
                         u".et"_s,  u".dps"_s,  u".rtf"_s, u".odt"_s,  u".ods"_s,  u".odp"_s,  u".pdf"_s,
                         u".txt"_s, u".csv"_s,  u".xml"_s, u".htm"_s,  u".html"_s, u".zip"_s,  u".rar"_s,
                         u".7z"_s,  u".gz"_s,   u".tar"_s, u".mp3"_s,  u".wav"_s,  u".wma"_s,  u".mp4"_s,
                         u".avi"_s, u".wmv"_s,  u".mov"_s, u".mkv"_s};
    qunsetenv("WO_COMPONENT_DIR");
    QFile shipped(profile::componentFolder() + u"/FileType.INI"_s);
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    for (const QString& line : QString::fromUtf8(shipped.readAll()).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.trimmed().startsWith(u';'))
            types << line.left(eq).trimmed().toLower();
    }
    types.removeDuplicates();
    for (const QString& type : types)
        QTest::newRow(qPrintable(type)) << type;
}

void TestProfile::shippedIconsLoad() {
    QFETCH(QString, type);
    // Without the override the core library's own folder: the build's lib folder.
    const QString folder = profile::componentFolder();
    const QString name = GetPrivateProfileString(QStringLiteral("ICON"), type, QString(),
                                                 folder + QStringLiteral("/FileType.INI"));
    QVERIFY2(!name.isEmpty(), qPrintable(folder));
    QImageReader reader(folder + QStringLiteral("/图库/") + name);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(name + ": " + reader.errorString()));
    QCOMPARE(image.size(), QSize(48, 48));

    QLabel icon;
    const QLabel back;
    ui::ShowTypeIcon(&icon, &back, type, ErrorPolicy::Throw);
    QCOMPARE(comparable(icon.pixmap().toImage()), comparable(image));
}

QTEST_MAIN(TestProfile)
#include "tst_profile.moc"
