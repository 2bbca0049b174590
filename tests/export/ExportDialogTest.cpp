// "Exporter la carte entière...": the save dialog from the start folder, the box that tells
// what will be written, its gauge and "Annuler", and the end message.

#include "ExportFixtures.h"

#include "export/ExportDialog.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QEventLoop>
#include <QTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace exporting;
using namespace export_testing;

namespace {

// Runs the event loop until `signal` of `sender` comes, at most `ms`; whether it came.
template <typename Signal>
bool waitForSignal(const typename QtPrivate::FunctionPointer<Signal>::Object *sender, Signal signal, int ms)
{
    QEventLoop loop;
    bool came = false;
    QObject::connect(sender, signal, &loop, [&] {
        came = true;
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return came;
}

} // namespace

TEST(ExportDialog, TellsThePlanThenWritesWithAGauge)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte7"));
    writeSheet(folder, {3, 2}, [](int c, int r) { return c == 1 && r == 1 ? QSize() : QSize(40, 30); });
    const QString startFolder = dir.filePath(QStringLiteral("Mes cartes"));
    const QString out = QDir(startFolder).filePath(QStringLiteral("carte7.png"));
    testing_support::ScriptedDesktop desktop;
    desktop.saveAnswers = {out};

    ExportDialog *dialog = exportWholeMap(nullptr, desktop, startFolder, folder, {3, 2});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(desktop.lastSaveFolder, startFolder);
    EXPECT_TRUE(QFileInfo(startFolder).isDir());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Exporter la carte entière"));
    const QString summary = dialog->findChild<QLabel *>(QStringLiteral("ExportSummary"))->text();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Image de 120 x 60 pixels\nTaille du fichier : environ ")));
    EXPECT_TRUE(summary.endsWith(QStringLiteral("(cases blanches) : 1\nMAXI_BB.jpg")));
    EXPECT_FALSE(QFileInfo::exists(out));   // nothing written before "Exporter"

    auto *gauge = dialog->findChild<QProgressBar *>(QStringLiteral("ExportGauge"));
    int gaugeAtEnd = -1;
    QObject::connect(dialog, &ExportDialog::exportFinished, [&] { gaugeAtEnd = gauge->value(); });
    QTimer::singleShot(0, dialog->findChild<QPushButton *>(QStringLiteral("ExportStart")), &QPushButton::click);
    ASSERT_TRUE(waitForSignal(dialog, &ExportDialog::exportFinished, 30000));
    EXPECT_EQ(gaugeAtEnd, 2);
    EXPECT_EQ(QImage(out).size(), QSize(120, 60));
    ASSERT_NE(desktop.last(QStringLiteral("message")), nullptr);
    EXPECT_TRUE(desktop.last(QStringLiteral("message"))->text.contains(QStringLiteral("MAXI_BB.jpg")));
}

TEST(ExportDialog, RefusesWhatCannotBeWrittenAndCancelsWithoutAFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Carte8"));
    writeSheet(folder, {26, 1}, [](int, int) { return QSize(2600, 8); });
    testing_support::ScriptedDesktop desktop;

    // Past the JPEG limit: said at once, before any box.
    desktop.saveAnswers = {dir.filePath(QStringLiteral("large.jpg"))};
    EXPECT_EQ(exportWholeMap(nullptr, desktop, dir.path(), folder, {26, 1}), nullptr);
    ASSERT_NE(desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(desktop.last(QStringLiteral("error"))->text, jpegTooLargeMessage(67600, 8));

    // A folder without tiles.
    EXPECT_EQ(exportWholeMap(nullptr, desktop, dir.path(), dir.filePath(QStringLiteral("Vide")), {26, 26}), nullptr);
    EXPECT_TRUE(desktop.last(QStringLiteral("error"))->text.startsWith(QStringLiteral("Aucune image de la carte")));

    // "Annuler" before "Exporter" closes the box and writes nothing.
    const QString out = dir.filePath(QStringLiteral("large.png"));
    desktop.saveAnswers = {out};
    ExportDialog *dialog = exportWholeMap(nullptr, desktop, dir.path(), folder, {26, 1});
    ASSERT_NE(dialog, nullptr);
    QTimer::singleShot(0, dialog->findChild<QPushButton *>(QStringLiteral("ExportCancel")), &QPushButton::click);
    ASSERT_TRUE(waitForSignal(dialog, &QObject::destroyed, 30000));
    EXPECT_FALSE(QFileInfo::exists(out));
}
