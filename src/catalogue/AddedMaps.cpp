#include "catalogue/AddedMaps.h"
#include "session/SelectionState.h"
#include "catalogue/ArchiveCatalogue.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

namespace iiif {
namespace {

int sheetIndexOf(const QString &folderSuffix)
{
    if (folderSuffix.isEmpty())
        return 1;
    bool ok = false;
    const int index = folderSuffix.mid(2).toInt(&ok);
    return ok ? index : 0;
}

QString clean(QString text)
{
    text.replace(u'\t', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text.trimmed();
}

bool isGrid(QSize grid)
{
    return grid.width() >= 1 && grid.height() >= 1 && grid.width() <= store::kGridSide
           && grid.height() <= store::kGridSide;
}

} // namespace

QSize SheetSource::tileGrid() const
{
    return isGrid(grid) ? grid : QSize(store::kGridSide, store::kGridSide);
}

QString AddedMaps::filePath(const QString &mapsRoot)
{
    return paths::join(mapsRoot, kAddedMapsFileName);
}

QString AddedMaps::line(const AddedMap &map)
{
    QStringList fields{clean(map.editionFolder), clean(map.sheetNumber), clean(map.title)};
    for (const SheetSource &s : map.sheets) {
        fields << clean(s.imageBase) << QStringLiteral("%1 x %2").arg(s.size.width()).arg(s.size.height());
        if (isGrid(s.grid))
            fields << QStringLiteral("grille %1 x %2").arg(s.grid.width()).arg(s.grid.height());
        if (s.kind != source::Kind::Iiif)
            fields << source::kindName(s.kind);
    }
    return fields.join(u'\t');
}

std::optional<AddedMap> AddedMaps::fromLine(const QString &text)
{
    QString l = text;
    if (l.endsWith(u'\r'))
        l.chop(1);
    const QStringList fields = l.split(u'\t');
    if (fields.size() < 5)
        return std::nullopt;
    AddedMap map;
    map.editionFolder = fields[0];
    map.sheetNumber = fields[1];
    map.title = fields[2];
    bool ok = false;
    const int number = map.sheetNumber.toInt(&ok);
    const bool knownEdition = map.editionFolder == editions::kArchive || map.editionFolder == editions::kColour
                              || map.editionFolder == editions::kBlackAndWhite;
    if (!knownEdition || !ok || number < 1 || QString::number(number) != map.sheetNumber)
        return std::nullopt;
    static const QRegularExpression size(QStringLiteral("^(\\d{1,9}) x (\\d{1,9})$"));
    static const QRegularExpression grid(QStringLiteral("^grille (\\d{1,2}) x (\\d{1,2})$"));
    // Each sheet: address, size, then its grid and its kind where the line keeps them.
    for (int i = 3; i < fields.size();) {
        if (i + 1 >= fields.size())
            return std::nullopt;
        const QRegularExpressionMatch m = size.match(fields[i + 1]);
        if (!m.hasMatch())
            return std::nullopt;
        SheetSource sheet{fields[i], QSize(m.captured(1).toInt(), m.captured(2).toInt()), {}};
        i += 2;
        if (i < fields.size() && fields[i].startsWith(QStringLiteral("grille"))) {
            const QRegularExpressionMatch g = grid.match(fields[i]);
            sheet.grid = g.hasMatch() ? QSize(g.captured(1).toInt(), g.captured(2).toInt()) : QSize();
            if (!isGrid(sheet.grid))
                return std::nullopt;
            ++i;
        }
        if (i < fields.size())
            if (const auto kind = source::kindFromName(fields[i])) {
                sheet.kind = *kind;
                ++i;
            }
        map.sheets << sheet;
    }
    return map;
}

void AddedMaps::load(const QString &mapsRoot)
{
    m_maps.clear();
    QFile file(filePath(mapsRoot));
    if (!file.open(QIODevice::ReadOnly))
        return;
    int unreadable = 0;
    for (const QString &l : QString::fromUtf8(file.readAll()).split(u'\n')) {
        auto map = fromLine(l);
        if (!map && !l.trimmed().isEmpty())
            ++unreadable;
        if (map && !find(map->editionFolder, map->sheetNumber))   // the first line of a map counts
            m_maps << *map;
    }
    if (unreadable > 0)
        qCWarning(lcCatalogue) << unreadable << "line(s) of" << file.fileName() << "cannot be read and are left out";
    // The added maps follow the archive list without a gap, in the order of their positions.
    QList<AddedMap *> added;
    for (AddedMap &map : m_maps)
        if (map.editionFolder == editions::kArchive && map.sheetNumber.toInt() > archive::kTitleCount)
            added << &map;
    std::stable_sort(added.begin(), added.end(),
                     [](const AddedMap *a, const AddedMap *b) { return a->sheetNumber.toInt() < b->sheetNumber.toInt(); });
    int position = archive::kTitleCount;
    for (AddedMap *map : added)
        map->sheetNumber = QString::number(++position);
}

bool AddedMaps::save(const QString &mapsRoot) const
{
    QSaveFile file(filePath(mapsRoot));
    QByteArray bytes;
    for (const AddedMap &map : m_maps)
        bytes += line(map).toUtf8() + '\n';
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    qCWarning(lcCatalogue) << "cannot write" << file.fileName() << ":" << file.errorString();
    return false;
}

QStringList AddedMaps::addedTitles() const
{
    QList<const AddedMap *> added;
    for (const AddedMap &map : m_maps)
        if (map.editionFolder == editions::kArchive && map.sheetNumber.toInt() > archive::kTitleCount)
            added << &map;
    std::sort(added.begin(), added.end(),
              [](const AddedMap *a, const AddedMap *b) { return a->sheetNumber.toInt() < b->sheetNumber.toInt(); });
    QStringList titles;
    for (const AddedMap *map : added)
        titles << map->title;
    return titles;
}

const AddedMap *AddedMaps::find(const QString &editionFolder, const QString &sheetNumber) const
{
    for (const AddedMap &map : m_maps)
        if (map.editionFolder == editionFolder && map.sheetNumber == sheetNumber)
            return &map;
    return nullptr;
}

std::optional<SheetSource> AddedMaps::sheet(const QString &editionFolder, const QString &sheetNumber,
                                            const QString &folderSuffix) const
{
    const AddedMap *map = find(editionFolder, sheetNumber);
    const int index = sheetIndexOf(folderSuffix);
    if (!map || index < 1 || index > map->sheets.size() || map->sheets[index - 1].imageBase.isEmpty())
        return std::nullopt;
    return map->sheets[index - 1];
}

QSize AddedMaps::tileGrid(const QString &editionFolder, const QString &sheetNumber,
                          const QString &folderSuffix) const
{
    const auto source = sheet(editionFolder, sheetNumber, folderSuffix);
    return source ? source->tileGrid() : QSize(store::kGridSide, store::kGridSide);
}

bool AddedMaps::setTileGrid(const QString &editionFolder, const QString &sheetNumber, const QString &folderSuffix,
                            QSize grid)
{
    const int index = sheetIndexOf(folderSuffix);
    for (AddedMap &map : m_maps) {
        if (map.editionFolder != editionFolder || map.sheetNumber != sheetNumber)
            continue;
        if (index < 1 || index > map.sheets.size() || map.sheets[index - 1].imageBase.isEmpty() || !isGrid(grid)
            || map.sheets[index - 1].grid == grid)
            return false;
        map.sheets[index - 1].grid = grid;
        return true;
    }
    return false;
}

int AddedMaps::addArchiveMap(const QString &title, const QList<SheetSource> &sheets)
{
    const int position = archive::kTitleCount + int(addedTitles().size()) + 1;
    m_maps << AddedMap{editions::kArchive, QString::number(position), clean(title), sheets};
    return position;
}

void AddedMaps::setSheet(const QString &editionFolder, const QString &sheetNumber, int sheetIndex,
                         const SheetSource &source, const QString &title)
{
    if (sheetIndex < 1)
        return;
    AddedMap *map = nullptr;
    for (AddedMap &m : m_maps)
        if (m.editionFolder == editionFolder && m.sheetNumber == sheetNumber)
            map = &m;
    if (!map) {
        m_maps << AddedMap{editionFolder, sheetNumber, clean(title), {}};
        map = &m_maps.last();
    }
    while (map->sheets.size() < sheetIndex)
        map->sheets << SheetSource{};
    map->sheets[sheetIndex - 1] = source;
}

} // namespace iiif
