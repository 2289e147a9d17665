#pragma once

#include "wo_internal_export.h"

#include <memory>

class QTranslator;

namespace wo::dialogs {

// While it lives, Qt's own dialogs (the file and print dialogs) speak Chinese, as
// every window of the component does, unless the host has already given Qt a
// translation of its own. Made around one modal dialog, so the host's windows keep
// their language afterwards.
class WO_INTERNAL QtChineseTexts {
public:
    QtChineseTexts();
    ~QtChineseTexts();
    QtChineseTexts(const QtChineseTexts&) = delete;
    QtChineseTexts& operator=(const QtChineseTexts&) = delete;

private:
    std::unique_ptr<QTranslator> m_translator;
};

} // namespace wo::dialogs
