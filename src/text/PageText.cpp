#include "text/PageText.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace wo::text {

QString PageText::text() const {
    QString out;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i)
            out += words[i].line == words[i - 1].line ? u' ' : u'\n';
        out += words[i].text;
    }
    return out;
}

QByteArray PageText::wordsJson() const {
    QJsonArray list;
    for (const Word& w : words)
        list.append(QJsonArray{w.box.x(), w.box.y(), w.box.width(), w.box.height(), w.line, w.text});
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QList<Word> PageText::wordsFromJson(const QByteArray& json) {
    QList<Word> words;
    const QJsonArray list = QJsonDocument::fromJson(json).array();
    for (const QJsonValue& item : list) {
        const QJsonArray a = item.toArray();
        if (a.size() != 6 || !a[5].isString())
            continue;
        words.append(
            {QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()), a[5].toString(), a[4].toInt()});
    }
    return words;
}

} // namespace wo::text
