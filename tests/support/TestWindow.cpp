#include "support/TestWindow.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QSettings>

namespace testing_support {

TestWindow::TestWindow(const QList<std::pair<QString, QString>> &initialSettings)
{
    settings = std::make_unique<SettingsStore>(settingsFile());
    for (const auto &[name, value] : initialSettings)
        settings->write(name, value);
}

void TestWindow::start(MainWindow::PageBuilding building)
{
    window = std::make_unique<MainWindow>(desktop, *settings, programFolder(), programFolder(), building);
}

void TestWindow::installSkin()
{
    const QString target = programFolder() + QStringLiteral("Skins/WinAqua");
    QDir().mkpath(target);
    QFile::copy(QStringLiteral(ORVANTIS_RESOURCES_DIR "/Skins/WinAqua/Skin.INI"), target + QStringLiteral("/Skin.INI"));
}

void TestWindow::click(const QString &name) const
{
    find<QAbstractButton>(name)->click();
}

} // namespace testing_support
