#include "export/ExportPlan.h"

#include "catalogue/AddedMaps.h"
#include "catalogue/ArchiveCatalogue.h"
#include "session/SelectionState.h"
#include "imaging/Jpeg.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace exporting {

QString ExportPlan::tilePath(int column, int row) const
{
    return store::tilePath(folder, column, row);
}

int ExportPlan::bandHeight(int row) const
{
    return qMin(cell.height(), picture.height() - bandTop(row));
}

int ExportPlan::cellWidth(int column) const
{
    return qMin(cell.width(), picture.width() - cellLeft(column));
}

ExportPlan planExport(const QString &folder, QSize grid)
{
    ExportPlan plan;
    plan.folder = folder;
    plan.grid = grid.boundedTo({store::kGridSide, store::kGridSide}).expandedTo({1, 1});
    const int columns = plan.grid.width(), rows = plan.grid.height();
    plan.tileSizes.resize(size_t(columns * rows));
    QSize lastReadable;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const QString path = plan.tilePath(column, row);
            jpeg::Header header;
            const QFileInfo info(path);
            const bool readable = info.isFile() && info.size() > 0
                                  && jpeg::readHeaderFromFile(path, header).ok() && header.width > 0
                                  && header.height > 0 && header.width <= jpeg::kMaxSide
                                  && header.height <= jpeg::kMaxSide;
            if (!readable) {
                plan.missing << store::tileFileName(column, row);
                continue;
            }
            plan.tileSizes[size_t(row * columns + column)] = header.size();
            plan.tileBytes += info.size();
            lastReadable = header.size();
        }

    // The cell of the detail view: the last readable tile in walking order; for a sheet
    // whose tiles fill less than the whole grid, its first tile.
    const bool partial = plan.grid != QSize(store::kGridSide, store::kGridSide);
    plan.cell = partial && plan.tileSize(0, 0).isValid() ? plan.tileSize(0, 0) : lastReadable;
    if (plan.cell.isEmpty())
        return plan;
    QSize picture(columns * plan.cell.width(), rows * plan.cell.height());
    if (partial) {
        // The picture ends with its last column and row, narrower than a cell.
        const QSize lastColumn = plan.tileSize(columns - 1, 0);
        const QSize lastRow = plan.tileSize(0, rows - 1);
        if (lastColumn.width() > 0 && lastColumn.width() < plan.cell.width())
            picture.rwidth() -= plan.cell.width() - lastColumn.width();
        if (lastRow.height() > 0 && lastRow.height() < plan.cell.height())
            picture.rheight() -= plan.cell.height() - lastRow.height();
    }
    plan.picture = picture;
    return plan;
}

namespace {

// The grid kept for a map folder in the list of IIIF maps of `mapsRoot`, if any.
QSize keptGrid(const QString &mapsRoot, const QString &folder)
{
    if (!QFileInfo::exists(catalogue::AddedMaps::filePath(mapsRoot)))
        return {};
    catalogue::AddedMaps added;
    added.load(mapsRoot);
    for (const catalogue::AddedMap &map : added.maps())
        for (int index = 1; index <= map.sheets.size(); ++index) {
            const QString suffix = map.editionFolder == editions::kArchive
                                       ? archive::sheetIndexSuffix(QString::number(index), QString())
                                       : QString();
            if (QDir::cleanPath(store::mapFolder(mapsRoot, SheetId::fromTexts(map.editionFolder, map.sheetNumber, suffix))) == folder)
                return map.sheets[index - 1].tileGrid();
        }
    return {};
}

} // namespace

QSize gridOfFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    // A sheet's folder is root/edition/CarteN, an archive map's sheet one level deeper.
    QDir up(clean);
    for (int depth = 1; depth <= 3 && up.cdUp(); ++depth)
        if (depth >= 2)
            if (const QSize grid = keptGrid(up.path(), clean); grid.isValid())
                return grid;
    QSize reach(0, 0);
    for (int row = 0; row < store::kGridSide; ++row)
        for (int column = 0; column < store::kGridSide; ++column)
            if (QFileInfo::exists(store::tilePath(folder, column, row)))
                reach = reach.expandedTo({column + 1, row + 1});
    return reach.isEmpty() ? QSize(store::kGridSide, store::kGridSide) : reach;
}

qint64 expectedFileBytes(const ExportPlan &plan, Format format)
{
    const qint64 pixels = qint64(plan.picture.width()) * plan.picture.height();
    const qint64 present = qint64(plan.grid.width()) * plan.grid.height() - plan.missing.size();
    // The tiles' own JPEG bytes per pixel are the best guess of the picture's.
    const double perPixel = present > 0 && plan.cell.isValid()
                                ? double(plan.tileBytes) / (double(present) * plan.cell.width() * plan.cell.height())
                                : 0.3;
    switch (format) {
    case Format::Jpeg:
        return qint64(pixels * perPixel);
    case Format::Tiff:
        return qint64(pixels * perPixel * 4 / 3);   // with its reduced pages
    case Format::Png:
        return pixels * 3 / 2;   // scans compress about by half without loss
    }
    return 0;
}

QString sizeText(qint64 bytes)
{
    const QLocale french(QLocale::French, QLocale::France);
    const double kilo = 1024.0;
    if (bytes < kilo * kilo)
        return french.toString(qMax<qint64>(1, qint64(bytes / kilo + 0.5))) + QStringLiteral(" Ko");
    if (bytes < kilo * kilo * kilo)
        return french.toString(bytes / (kilo * kilo), 'f', 1) + QStringLiteral(" Mo");
    return french.toString(bytes / (kilo * kilo * kilo), 'f', 1) + QStringLiteral(" Go");
}

QString tileList(const QStringList &names, int shown)
{
    QStringList lines = names.mid(0, shown);
    if (names.size() > shown)
        lines << QStringLiteral("(et %1 autres)").arg(names.size() - shown);
    return lines.join(u'\n');
}

QString planSummary(const ExportPlan &plan, Format format)
{
    QString text = QStringLiteral("Image de %1 x %2 pixels\nTaille du fichier : environ %3")
                       .arg(plan.picture.width())
                       .arg(plan.picture.height())
                       .arg(sizeText(expectedFileBytes(plan, format)));
    if (plan.missing.isEmpty())
        text += QStringLiteral("\nToutes les images de la carte sont présentes.");
    else
        text += QStringLiteral("\nImages manquantes ou illisibles (cases blanches) : %1\n%2")
                    .arg(plan.missing.size())
                    .arg(tileList(plan.missing));
    return text;
}

} // namespace exporting
