#include "dialogs/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace wo::dialogs {

QtChineseTexts::QtChineseTexts() {
    // A host that translates Qt already shows its own choice.
    if (QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel"))
        return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        m_translator = std::move(translator);
}

QtChineseTexts::~QtChineseTexts() {
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

} // namespace wo::dialogs
