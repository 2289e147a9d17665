#pragma once

#include <QString>
#include <exception>

namespace wo {

// The one exception type of the component: an error number and its description.
// Numbers follow the host environment's conventions where a caller tests them
// (321 bad file format, 53 file not found, 70 permission denied, 32755 print
// dialog cancelled); database errors carry the driver's native number.
class Error : public std::exception {
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
namespace err {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
// The user cancelled a transfer; callers end quietly.
inline constexpr int TransferCancelled = 18;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidFileFormat = 321;
inline constexpr int InvalidPicture = 481;
inline constexpr int PrinterError = 482;
inline constexpr int InvalidFilter = 3001;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int ItemNotFound = 3265;
inline constexpr int ObjectClosed = 3704;
inline constexpr int ProviderNotFound = 3706;
inline constexpr int NoConnection = 3709;
inline constexpr int NoAssociatedProgram = 31036;
inline constexpr int ProgramStartFailed = 31037;
inline constexpr int ScannerProgramNotStarted = 31040;
inline constexpr int ScannerProgramEnded = 31041;
inline constexpr int PrintDialogCancelled = 32755;
// Database failures without a number of the driver's own.
inline constexpr int ProviderError = -2147467259;
// A source file whose length changed while it was stored.
inline constexpr int SourceChanged = 31050;

// The Chinese description users see for a number of the catalogue; "" for others.
QString description(int number);

// An error of the catalogue: its description, then ": " and `detail` when given.
Error make(int number, const QString& detail = QString());
} // namespace err

// "错误" + number + "：" + description, the component's text for an unexpected error.
QString errorText(int number, const QString& description);

// The component's error for anything a handler caught: a wo::Error as it is, any
// other exception as number -1 with its text.
Error errorOf(const std::exception& e);

} // namespace wo
