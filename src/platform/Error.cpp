#include "platform/Error.h"

namespace wo {

Error::Error(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QString::number(number).toUtf8() + ": " + m_description.toUtf8()) {}

} // namespace wo
