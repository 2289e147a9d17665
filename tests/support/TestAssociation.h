#pragma once

#include "Sandbox.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace wo::test {

// The desktop's file associations inside a sandbox, for the rest of the process: a
// recorder program is the only one known, the default for the given MIME types,
// and it writes the path it was given to recordFile().
class TestAssociation {
public:
    TestAssociation(const Sandbox& box, const QStringList& mimeTypes);

    QString recordFile() const { return m_record; }
    // What the recorder was given so far; empty until it ran.
    QByteArray recorded() const;
    // Writes an executable shell script below the sandbox.
    static void writeScript(const Sandbox& box, const QString& relative, const QByteArray& body);

private:
    QString m_record;
};

} // namespace wo::test
