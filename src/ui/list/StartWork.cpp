#include "ui/list/StartWork.h"

#include "settings/MyInit.h"

namespace wo::ui {

StartWork decideStartWork(const QString& state, const QString& originalId, const QStringList& tags) {
    if (state == MyInit::ScanState)
        return {StartWork::Scan};
    if (!originalId.isEmpty()) {
        const int row = int(tags.indexOf(originalId));
        return row < 0 ? StartWork{} : StartWork{StartWork::OpenDocument, row};
    }
    return tags.isEmpty() ? StartWork{} : StartWork{StartWork::PreviewFirst, 0};
}

} // namespace wo::ui
