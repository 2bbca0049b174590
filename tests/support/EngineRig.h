#pragma once
// The download engine set up as the program sets it up, for the tests, the second program
// of the tests and the benchmarks: settings and a maps root of its own (temporary folders
// unless given), the shared context with a scripted connection, the download list and the
// engine. The sheet to fetch is chosen through the context's select(), as the pages do.

#include "download/DownloadEngine.h"
#include "download/DownloadList.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "source/SheetSource.h"
#include "support/ScriptedConnection.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

class Desktop;

namespace testing_support {

class EngineRig {
public:
    // `mapsRoot` and `configFolder` empty: temporary folders of the rig's own.
    explicit EngineRig(Desktop &desktop, const QString &mapsRoot = {}, const QString &configFolder = {});

    // Selects a Cassini sheet and looks its document number up, as the download page does.
    void selectCassini(const QString &edition, int sheet);
    // Adds a map of these sheets after the archive catalogue and selects its sheet
    // `sheetIndex`; gives its position.
    int addMapAndSelect(const QList<source::SheetSource> &sheets, int sheetIndex = 1,
                        const QString &title = QStringLiteral("Carte d'essai"));

    // Builds the list of the rectangle and starts a run over it, then waits for its end at
    // most `milliseconds` (the event loop runs meanwhile).
    struct Run {
        bool started = false;
        bool ended = false;
    };
    Run run(const source::TileRect &rect = {}, int milliseconds = 60000);

private:
    QTemporaryDir m_ownRoot, m_ownConfig;

public:
    const QString mapsRoot;   // with its final separator
    SettingsStore settings;
    ScriptedConnection connection;
    AppContext context;
    download::DownloadList list;
    DownloadEngine engine;
};

} // namespace testing_support
