// A map added from a IIIF manifest has only its own sheets: a sheet index beyond them is
// refused in French, and nothing is asked of any server (neither the manifest's nor the
// library's tile server, which has no such document).
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "support/EngineRig.h"
#include "net/TestServer.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(AddedMapSheets, ASheetBeyondTheManifestsCanvasesGoesToNoServer)
{
    ScriptedDesktop desktop;
    EngineRig rig(desktop);
    AppContext &context = rig.context;
    TestServer tileServer, iiifServer;
    context.setTileServer(tileServer.authority());

    const QString base = QStringLiteral("http://") + iiifServer.authority() + QStringLiteral("/atlas/f");
    const int position = context.addedMaps().addArchiveMap(
        QStringLiteral("Atlas en deux planches"),
        {{base + u'1', QSize(700, 500), QSize(3, 2)}, {base + u'2', QSize(640, 480), QSize(3, 2)}});
    const std::pair<int, QString> sheets[] = {{3, QStringLiteral("\\F003")}, {10, QStringLiteral("\\F010")}};
    for (const auto &[index, suffix] : sheets) {
        SCOPED_TRACE(suffix.toStdString());
        context.select(SheetId::archive(position, index));
        desktop.calls.clear();
        EXPECT_FALSE(rig.run().started);
        QCoreApplication::processEvents();
        const ScriptedDesktop::Call *error = desktop.last(QStringLiteral("error"));
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->text, QStringLiteral("La carte n° %1 a 2 feuille(s) : la feuille %2 n'existe pas.")
                                   .arg(position)
                                   .arg(suffix));
        EXPECT_FALSE(rig.engine.active());
        EXPECT_FALSE(context.downloadRunning());
        EXPECT_TRUE(context.downloadJob().sheet.isEmpty());
    }
    EXPECT_TRUE(tileServer.paths.isEmpty()) << tileServer.paths.value(0).toStdString();
    EXPECT_TRUE(iiifServer.paths.isEmpty()) << iiifServer.paths.value(0).toStdString();
}
