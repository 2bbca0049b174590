// The import of a sheet from a backup folder, on its own: what it needs is a map folder, a
// desktop, a progress gauge, a window to step aside and a handler told of the installed
// tiles; no window of the program.
#include "session/ProgressGauge.h"
#include "store/SheetImport.h"
#include "store/TileStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A gauge that remembers what it was asked.
class RecordingGauge final : public ProgressGauge {
public:
    void start(int maximum) override { maximums.push_back(maximum); m_done = 0; running = true; }
    void setProgress(int done) override { m_done = done; highest = std::max(highest, done); }
    int progress() const override { return m_done; }
    void stop() override { m_done = 0; running = false; }

    std::vector<int> maximums;
    int highest = 0;
    bool running = false;

private:
    int m_done = 0;
};

struct ImportBench {
    QTemporaryDir root, backup;
    ScriptedDesktop desktop;
    RecordingGauge gauge;
    QWidget window;
    QStringList installed;
    QString mapFolder() const { return root.path() + QStringLiteral("/Carte5"); }

    bool run()
    {
        SheetImport import(mapFolder(), desktop, gauge, window,
                           [this](const QString &folder) { installed << folder; });
        return import.confirmAndImport();
    }
};

} // namespace

TEST(SheetImport, CopiesWithTheGaugeAndTellsTheInstalledFolder)
{
    ImportBench bench;
    writeTiles(bench.backup.path(), firstTiles(store::kTileCount));
    bench.desktop.folderAnswers.push_back(bench.backup.path());
    bench.window.show();

    EXPECT_TRUE(bench.run());
    EXPECT_EQ(store::tileCount(bench.mapFolder()), store::kTileCount);
    EXPECT_EQ(bench.gauge.maximums, std::vector<int>{store::kTileCount});
    EXPECT_EQ(bench.gauge.highest, store::kTileCount);
    EXPECT_FALSE(bench.gauge.running);
    EXPECT_EQ(bench.installed, QStringList{bench.mapFolder()});
    EXPECT_TRUE(bench.window.isVisible());   // back after the folder browser
}

TEST(SheetImport, FailureOrCancelInstallsNothing)
{
    struct Case {
        const char *name;
        bool damagedTile;        // a tile of the backup that is no picture
        bool browserCancelled;
        bool result;
        bool errorShown;
    };
    const Case cases[] = {
        {"damaged tile", true, false, false, true},
        {"browser cancelled", false, true, true, false},
    };
    for (const Case &c : cases) {
        ImportBench bench;
        writeTiles(bench.backup.path(), {0});
        if (c.damagedTile)
            writeFile(bench.backup.path() + QStringLiteral("/MAXI_BA.jpg"), "garbage");
        if (!c.browserCancelled)
            bench.desktop.folderAnswers.push_back(bench.backup.path());

        EXPECT_EQ(bench.run(), c.result) << c.name;
        EXPECT_TRUE(bench.installed.isEmpty()) << c.name;
        EXPECT_FALSE(bench.gauge.running) << c.name;
        EXPECT_EQ(bench.desktop.last(QStringLiteral("error")) != nullptr, c.errorShown) << c.name;
    }
}
