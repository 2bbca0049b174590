#pragma once
// The real main window on a temporary program folder and configuration, with a scripted
// desktop. Controls are found by name.

#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <memory>

namespace testing_support {

struct TestWindow {
    QTemporaryDir programDir;      // the program folder (maps root by default)
    QTemporaryDir configDir;       // holds Orvantis.ini
    ScriptedDesktop desktop;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<MainWindow> window;

    // Settings written before the window starts, as name/value pairs.
    explicit TestWindow(const QList<std::pair<QString, QString>> &initialSettings = {});
    void start(MainWindow::PageBuilding building = MainWindow::PageBuilding::Immediate);
    // Puts the program's skin beside it, as an installed program has it; before start().
    void installSkin();

    QString programFolder() const { return programDir.path() + u'/'; }
    QString settingsFile() const { return configDir.path() + QStringLiteral("/Orvantis.ini"); }
    AppContext &context() { return window->context(); }

    template <typename T = QWidget>
    T *find(const QString &name) const
    {
        T *widget = window->findChild<T *>(name);
        if (!widget)
            throw std::runtime_error(("no control named " + name).toStdString());
        return widget;
    }
    void click(const QString &name) const;
};

} // namespace testing_support
