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

namespace err {
inline constexpr int FileNotFound = 53;
inline constexpr int PermissionDenied = 70;
inline constexpr int InvalidFileFormat = 321;
inline constexpr int ItemNotFound = 3265;
inline constexpr int InvalidArgument = 5;
inline constexpr int PrintDialogCancelled = 32755;
} // namespace err

} // namespace wo
