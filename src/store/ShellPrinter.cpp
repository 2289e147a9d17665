#include "store/ShellPrinter.h"

#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/shell/ShellPrint.h"

namespace wo::store {

bool ShellPrinter::PrintToView() {
    return PrintAnyFile(m_fileName);
}

bool ShellPrinter::PrintAnyFile(const QString& file) {
    try {
        QString reason;
        if (shell::shellPrint(file, &reason))
            return true;
        const dialogs::Answer answer = dialogs::current().messageBox(
            m_ownerForm, QStringLiteral("发现无打印关联的文件,是否终止所有文件打印?"),
            dialogs::Buttons::YesNo, dialogs::Icon::Question, QStringLiteral("打印提示"));
        if (answer == dialogs::Answer::Yes)
            shell::cancelOwnJob();
    } catch (const std::exception&) {
        try {
            shell::cancelOwnJob();
        } catch (const Error&) {
            // The printing ends silently either way.
        }
    }
    return false;
}

} // namespace wo::store
