#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installFrenchQtTranslations(QCoreApplication &app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(&app);
    // "qt_fr" gathers the base module's texts with those of the other installed modules.
    if (!translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qt"), QStringLiteral("_"), folder)
        && !translator->load(QStringLiteral("qtbase_fr"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
