#include "support/TestWindow.h"

#include <QAbstractButton>
#include <QSettings>

namespace testing_support {

TestWindow::TestWindow(const QList<std::pair<QString, QString>> &initialSettings)
{
    settings = std::make_unique<SettingsStore>(settingsFile());
    for (const auto &[name, value] : initialSettings)
        settings->write(name, value);
}

void TestWindow::start()
{
    window = std::make_unique<MainWindow>(desktop, *settings, programFolder(), programFolder());
}

void TestWindow::click(const QString &name) const
{
    find<QAbstractButton>(name)->click();
}

} // namespace testing_support
