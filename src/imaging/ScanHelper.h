#pragma once

#include "platform/Error.h"
#include "platform/dialogs/ScanSettings.h"

#include <QList>
#include <QString>

namespace wo::imaging {

// Runs the scanning program beside the component library for the scanner
// library's work (see ScanProtocol.h). A program that hangs is ended: after a
// cancel or an error it has a few seconds to finish, a listing half a minute.
class ScanHelper {
public:
    // Error numbers beyond the scanner's own.
    static constexpr int NotStarted = err::ScannerProgramNotStarted;
    static constexpr int EndedUnexpectedly = err::ScannerProgramEnded;

    // The scanners attached to this machine.
    static QList<dialogs::ScanDevice> devices();
    // Scans with the chosen settings into file, showing progress; the file exists
    // afterwards exactly when pages were read and nothing was cancelled. Throws the
    // scanner's wo::Error.
    static void scan(const dialogs::ScanSettings& settings, const QString& file,
                     dialogs::ScanProgress& progress);
};

} // namespace wo::imaging
