#pragma once

#include "wo_internal_export.h"

#include <QString>

class QWidget;

namespace wo::store {

// Printing of documents that are not page images, shared by the file operations
// and the printer object: the file goes to the desktop's print route, and a file
// without one asks whether the whole printing should end.
class WO_INTERNAL ShellPrinter {
public:
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& file) { m_fileName = file; }
    // The window the prompt belongs to, which outlives the printing; none shows it
    // without a parent.
    QWidget* OwnerForm() const { return m_ownerForm; }
    void setOwnerForm(QWidget* owner) { m_ownerForm = owner; }

    bool PrintToView();
    // True when the file was handed to its route. Errors end the printing silently,
    // so callers go on with their next file.
    bool PrintAnyFile(const QString& file);

private:
    QString m_fileName;
    QWidget* m_ownerForm = nullptr;
};

} // namespace wo::store
