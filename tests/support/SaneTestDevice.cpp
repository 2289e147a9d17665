#include "SaneTestDevice.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

namespace wo::test {

namespace {

void writeAll(const QString& path, const QByteArray& content) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

const QTemporaryDir& folder() {
    static const QTemporaryDir dir = [] {
        QTemporaryDir d;
        if (!d.isValid())
            qFatal("cannot make the scanner configuration folder");
        // Without a trailing ':' only this folder is searched.
        qputenv("SANE_CONFIG_DIR", d.path().toLocal8Bit());
        return d;
    }();
    return dir;
}

void writeBackends(const QByteArray& list) {
    writeAll(folder().filePath(QStringLiteral("dll.conf")), list);
}

} // namespace

SaneTestDevice::SaneTestDevice(const Options& options, Backends backends) {
    QFile defaults(QStringLiteral("/etc/sane.d/test.conf"));
    if (!defaults.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(defaults.fileName()));
    QList<QByteArray> lines = defaults.readAll().split('\n');
    for (const auto& [name, value] : options) {
        const auto same = [&name](const QByteArray& l) { return l.split(' ').value(0) == name; };
        lines.erase(std::remove_if(lines.begin(), lines.end(), same), lines.end());
        lines << name + ' ' + value;
    }
    writeAll(folder().filePath(QStringLiteral("test.conf")), lines.join('\n') + '\n');
    writeBackends(backends == Backends::Test ? "test\n" : "");
}

SaneTestDevice::~SaneTestDevice() {
    writeBackends("");
}

QString SaneTestDevice::configFolder() {
    return folder().path();
}

} // namespace wo::test
