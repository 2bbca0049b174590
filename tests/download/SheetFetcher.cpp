// A program of its own that fetches one whole Cassini sheet from a tile server into a maps
// root, as the window's download does, and says how it ended: the tests run two of it at
// once on one sheet.
//
//   sheet_fetcher <server host:port> <maps root> <configuration folder>
//
// Prints "STATUS <status text>" and "ROWS <downloaded> <already installed> <missing>";
// exits with 0 when every tile of the sheet is in place and no error was said.

#include "support/ScriptedDesktop.h"
#include "store/TileStore.h"
#include "support/EngineRig.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        QTextStream(stderr) << "usage: sheet_fetcher <server> <maps root> <configuration folder>\n";
        return 2;
    }
    testing_support::ScriptedDesktop desktop;   // asks nothing, keeps the errors
    testing_support::EngineRig rig(desktop, args[2], args[3]);
    rig.context.setTileServer(args[1]);
    rig.selectCassini(editions::kColour, 12);
    DownloadEngine &engine = rig.engine;
    int downloaded = 0, installed = 0, missing = 0;
    QObject::connect(&engine, &DownloadEngine::tileDone, [&](int, const QString &, source::RowState state) {
        downloaded += state == source::RowState::Downloaded;
        installed += state == source::RowState::AlreadyInstalled;
        missing += state == source::RowState::Missing;
    });
    const testing_support::EngineRig::Run run = rig.run(source::TileRect{});   // the whole sheet
    if (!run.started)
        return 3;
    if (!run.ended)
        return 4;
    QTextStream out(stdout);
    out << "STATUS " << engine.statusText() << "\nROWS " << downloaded << ' ' << installed << ' ' << missing << '\n';
    const bool wholeSheet = downloaded + installed == store::kTileCount && missing == 0;
    return wholeSheet && !desktop.last(QStringLiteral("error")) && engine.statusText() == QStringLiteral("Déconnecté") ? 0 : 1;
}
