// The download engine's side of a run from any tile source (the tile server, IIIF, Deep
// Zoom, Zoomify): its rows, gauge, picture and status reach the engine's one set of
// signals, and its outcome the engine's end of run.
#include "download/DownloadEngine.h"
#include "session/AppContext.h"
#include "source/SourceRunner.h"

using source::RowState;

void DownloadEngine::connectSources()
{
    m_fetcher->setHostLimit([this](const QString &host) { return m_context.requestLimitFor(host); });
    m_sources = std::make_unique<source::SourceRunner>(*m_fetcher);
    source::SourceRunner *run = m_sources.get();
    connect(run, &source::SourceRunner::statusText, this, &DownloadEngine::setStatus);
    // The sheet keeps the grid of its source: what it counts and shows as installed.
    connect(run, &source::SourceRunner::planned, this, [this](QSize grid) {
        m_context.keepTileGrid(m_context.downloadJob().sheet, grid);
    });
    connect(run, &source::SourceRunner::advanced, this, [this](int row) {
        emit currentRowChanged(row);
        setGauge(m_gauge + 1);
    });
    connect(run, &source::SourceRunner::receiving, this,
            [this](int row) { m_list.setState(row, RowState::Downloading, false); });
    connect(run, &source::SourceRunner::rowDone, this,
            [this](int row, const QString &code, RowState state, const QString &tileFile) {
                markRow(row, code, state);
                emit tileShown(tileFile);
            });
    connect(run, &source::SourceRunner::rowAbandoned, this,
            [this](int row) { m_list.setState(row, RowState::Waiting, false); });
    connect(run, &source::SourceRunner::ended, this, [this](source::RunOutcome, const QString &text) {
        if (!m_active)
            return;
        if (!text.isEmpty())
            setStatus(text);
        finishDownload(!text.isEmpty());
    });
}
