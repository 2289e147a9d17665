#pragma once

#include "wendra/errors.h"
#include "wo_internal_export.h"

#include <QList>
#include <QString>
#include <exception>

namespace wo {

// The one exception type of the component: an error number and its description.
// Numbers follow the host environment's conventions where a caller tests them
// (321 bad file format, 53 file not found, 70 permission denied, 32755 print
// dialog cancelled); database errors carry the driver's native number.
class WO_INTERNAL Error : public std::exception {
public:
    Error(int number, QString description);

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// The catalogue: every error number the component raises itself, named once.
// The numbers are those of the public wendra/errors.h.
namespace err {
inline constexpr int InvalidArgument = WO_ERR_INVALID_ARGUMENT;
inline constexpr int Overflow = WO_ERR_OVERFLOW;
// The user cancelled a transfer; callers end quietly.
inline constexpr int TransferCancelled = WO_ERR_TRANSFER_CANCELLED;
inline constexpr int BadFileName = WO_ERR_BAD_FILE_NAME;
inline constexpr int FileNotFound = WO_ERR_FILE_NOT_FOUND;
inline constexpr int DiskFull = WO_ERR_DISK_FULL;
inline constexpr int PermissionDenied = WO_ERR_PERMISSION_DENIED;
inline constexpr int PathFileAccessError = WO_ERR_PATH_FILE_ACCESS;
inline constexpr int PathNotFound = WO_ERR_PATH_NOT_FOUND;
inline constexpr int InvalidFileFormat = WO_ERR_INVALID_FILE_FORMAT;
inline constexpr int InvalidPropertyValue = WO_ERR_INVALID_PROPERTY;
inline constexpr int InvalidPicture = WO_ERR_INVALID_PICTURE;
inline constexpr int PrinterError = WO_ERR_PRINTER_ERROR;
inline constexpr int InvalidFilter = WO_ERR_INVALID_FILTER;
inline constexpr int NoCurrentRecord = WO_ERR_NO_CURRENT_RECORD;
inline constexpr int ItemNotFound = WO_ERR_ITEM_NOT_FOUND;
inline constexpr int ObjectClosed = WO_ERR_OBJECT_CLOSED;
inline constexpr int ProviderNotFound = WO_ERR_PROVIDER_NOT_FOUND;
inline constexpr int NoConnection = WO_ERR_NO_CONNECTION;
// Scanner errors are this + the scanner library's status.
inline constexpr int ScannerBase = WO_ERR_SCANNER_BASE;
inline constexpr int NoAssociatedProgram = WO_ERR_NO_ASSOCIATED_PROGRAM;
inline constexpr int ProgramStartFailed = WO_ERR_PROGRAM_START_FAILED;
inline constexpr int ScannerProgramNotStarted = WO_ERR_SCANNER_NOT_STARTED;
inline constexpr int ScannerProgramEnded = WO_ERR_SCANNER_PROGRAM_ENDED;
// Windows were asked for where none can be shown.
inline constexpr int NoDisplay = WO_ERR_NO_DISPLAY;
inline constexpr int NoWidgetApplication = WO_ERR_NO_WIDGET_APPLICATION;
// A call of the component made from inside one still running (a host timer or
// queued call run while a transfer waits).
inline constexpr int Busy = WO_ERR_BUSY;
// Printing ends without a word on this number as on a cancelled print dialog.
// A source file whose length changed while it was stored.
inline constexpr int SourceChanged = WO_ERR_SOURCE_CHANGED;
// Full-text search without its tables, and a document whose text cannot be read.
inline constexpr int SearchUnavailable = WO_ERR_SEARCH_UNAVAILABLE;
inline constexpr int TextUnreadable = WO_ERR_TEXT_UNREADABLE;
inline constexpr int PrintEnded = WO_ERR_PRINT_ENDED;
inline constexpr int PrintDialogCancelled = WO_ERR_PRINT_DIALOG_CANCELLED;
// Database failures without a number of the driver's own.
inline constexpr int ProviderError = WO_ERR_PROVIDER_ERROR;

// One number of the catalogue with what users read and its English gloss.
struct Entry {
    int number;
    QString description;
    QString gloss;
};
// Every number of the catalogue (the scanner statuses one by one).
WO_INTERNAL const QList<Entry>& catalogue();

// The Chinese description users see for a number of the catalogue; "" for others.
WO_INTERNAL QString description(int number);

// An error of the catalogue: its description, then ": " and `detail` when given.
WO_INTERNAL Error make(int number, const QString& detail = QString());
} // namespace err

// "错误" + number + "：" + description, the component's text for an unexpected error.
QString errorText(int number, const QString& description);

// The component's error for anything a handler caught: a wo::Error as it is, any
// other exception as number -1 with its text.
Error errorOf(const std::exception& e);

} // namespace wo
