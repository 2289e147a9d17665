#include "ui/viewer/ViewerCommands.h"

#include <QStringList>

namespace wo::ui {

bool commandEnabled(const QString& key, const ViewerState& state) {
    static const QStringList always{QStringLiteral("Print"), QStringLiteral("ShowLV"),
                                    QStringLiteral("Exit")};
    static const QStringList onImage{QStringLiteral("ZoomIn"),     QStringLiteral("ZoomOut"),
                                     QStringLiteral("OwnFit"),     QStringLiteral("FitShow"),
                                     QStringLiteral("FitWidth"),   QStringLiteral("RotateLeft"),
                                     QStringLiteral("RotateRight")};
    const bool paged = state.imageShown && state.pageCount > 1;
    const bool listed = state.documentCount > 1;
    if (always.contains(key))
        return true;
    if (onImage.contains(key))
        return state.imageShown;
    if (key == QLatin1String("Select"))
        return state.imageShown && !state.selecting;
    if (key == QLatin1String("ZoomSize") || key == QLatin1String("Init"))
        return state.imageShown && state.selecting;
    if (key == QLatin1String("First") || key == QLatin1String("Previous"))
        return paged && state.page != 1;
    if (key == QLatin1String("Next") || key == QLatin1String("Last"))
        return paged && state.page != state.pageCount;
    if (key == QLatin1String("PreFile"))
        return listed && state.document != 1;
    if (key == QLatin1String("NextFile"))
        return listed && state.document != state.documentCount;
    return false;
}

QString commandOfKey(QKeyCombination key) {
    switch (key.key()) {
    case Qt::Key_PageUp:
        return QStringLiteral("Previous");
    case Qt::Key_PageDown:
        return QStringLiteral("Next");
    case Qt::Key_Home:
        return QStringLiteral("First");
    case Qt::Key_End:
        return QStringLiteral("Last");
    case Qt::Key_Plus:
        return QStringLiteral("ZoomIn");
    case Qt::Key_Minus:
        return QStringLiteral("ZoomOut");
    default:
        return {};
    }
}

} // namespace wo::ui
