#include "ui/viewer/ToolbarIcons.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

namespace wo::ui {

namespace {

// Lives as a child of the application object, so that its pixmaps go before Qt's
// GUI does, and a later application object starts a set of its own.
class IconStore final : public QObject {
public:
    static IconStore& instance() {
        // Only the GUI thread makes windows, so only it comes here.
        static QPointer<IconStore> store;
        if (!store)
            store = new IconStore(QCoreApplication::instance());
        return *store;
    }

    QIcon icon(int image) {
        auto found = m_icons.constFind(image);
        if (found != m_icons.cend())
            return *found;
        // Both densities, whatever the screen at start: a window may move to a denser one.
        const QString base = QStringLiteral(":/wendra/viewer/icons/%1").arg(image, 2, 10, QLatin1Char('0'));
        QIcon icon(base + QStringLiteral(".png"));
        icon.addFile(base + QStringLiteral("@2x.png"));
        m_icons.insert(image, icon);
        return icon;
    }

private:
    explicit IconStore(QObject* parent) : QObject(parent) {}

    QHash<int, QIcon> m_icons;
};

} // namespace

QIcon toolbarIcon(int image) {
    return IconStore::instance().icon(image);
}

} // namespace wo::ui
