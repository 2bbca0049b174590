#include "app/MainWindow.h"
#include "app/SettingsStore.h"
#include "app/Translations.h"
#include "platform/Paths.h"
#include "platform/QtDesktop.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    // No display name: Qt would append it to every window caption.
    installFrenchQtTranslations(app);

    QtDesktop desktop;
    SettingsStore settings;
    MainWindow window(desktop, settings, paths::programFolder(), paths::installFolder());
    desktop.setParentWidget(&window);

    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
