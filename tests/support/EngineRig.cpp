#include "support/EngineRig.h"

#include <QEventLoop>
#include <QTimer>

namespace testing_support {

namespace {
QString withSeparator(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}
} // namespace

EngineRig::EngineRig(Desktop &desktop, const QString &mapsRoot, const QString &configFolder)
    : mapsRoot(withSeparator(mapsRoot.isEmpty() ? m_ownRoot.path() : mapsRoot)),
      settings(withSeparator(configFolder.isEmpty() ? m_ownConfig.path() : configFolder) + QStringLiteral("Orvantis.ini")),
      context(settings, desktop, this->mapsRoot, this->mapsRoot), engine(context, list)
{
    context.setConnection(&connection);
    context.setMapsRoot(this->mapsRoot);
}

void EngineRig::selectCassini(const QString &edition, int sheet)
{
    context.select(SheetId::cassini(edition, sheet));
    context.lookUpDocumentNumber();
}

int EngineRig::addMapAndSelect(const QList<source::SheetSource> &sheets, int sheetIndex, const QString &title)
{
    const int position = context.addedMaps().addArchiveMap(title, sheets);
    context.select(SheetId::archive(position, sheetIndex));
    return position;
}

EngineRig::Run EngineRig::run(const source::TileRect &rect, int milliseconds)
{
    Run run;
    QEventLoop loop;
    const auto link = QObject::connect(&engine, &DownloadEngine::finished, &loop, [&] {
        run.ended = true;
        loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    list.build(rect);
    run.started = engine.start(rect);
    if (run.started && !run.ended) {
        limit.start(milliseconds);
        loop.exec();
    }
    QObject::disconnect(link);
    return run;
}

} // namespace testing_support
