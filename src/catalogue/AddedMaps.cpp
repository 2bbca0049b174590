#include "catalogue/AddedMaps.h"
#include "session/SelectionState.h"
#include "catalogue/ArchiveCatalogue.h"
#include "platform/Logging.h"
#include "platform/Paths.h"
#include "store/TileStore.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

namespace catalogue {
namespace {

// The sheet of a map a SheetId names, from 1: a folder without suffix (a Cassini sheet)
// holds the first.
int sheetIndexOf(const SheetId &sheet)
{
    return sheet.sheetIndex > 0 ? sheet.sheetIndex : 1;
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

QString AddedMaps::filePath(const QString &mapsRoot)
{
    return paths::join(mapsRoot, kAddedMapsFileName);
}

QString AddedMaps::activeLine(const AddedMap &map)
{
    QStringList fields{clean(map.editionFolder), clean(map.sheetNumber), clean(map.title)};
    for (const SheetSource &s : map.sheets) {
        fields << clean(s.address) << QStringLiteral("%1 x %2").arg(qMax(0, s.size.width())).arg(qMax(0, s.size.height()));
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
    const bool removedMark = fields.size() == 3 && fields[2] == kRemovedMark;
    if (fields.size() < 5 && !removedMark)
        return std::nullopt;
    // Fields are taken as they will be written again.
    AddedMap map;
    map.editionFolder = clean(fields[0]);
    map.sheetNumber = fields[1];
    map.title = clean(fields[2]);
    bool ok = false;
    const int number = map.sheetNumber.toInt(&ok);
    const bool knownEdition = map.editionFolder == editions::kArchive || map.editionFolder == editions::kColour
                              || map.editionFolder == editions::kBlackAndWhite;
    if (!knownEdition || !ok || number < 1 || QString::number(number) != map.sheetNumber)
        return std::nullopt;
    if (removedMark) {
        if (map.editionFolder != editions::kArchive || number <= archive::kTitleCount)
            return std::nullopt;
        map.title.clear();
        map.removed = true;
        return map;
    }
    static const QRegularExpression size(QStringLiteral("^(\\d{1,9}) x (\\d{1,9})$"));
    static const QRegularExpression grid(QStringLiteral("^grille (\\d{1,2}) x (\\d{1,2})$"));
    // Each sheet: address, size, then its grid and its kind where the line keeps them.
    for (int i = 3; i < fields.size();) {
        if (i + 1 >= fields.size())
            return std::nullopt;
        const QRegularExpressionMatch m = size.match(fields[i + 1]);
        if (!m.hasMatch())
            return std::nullopt;
        SheetSource sheet{clean(fields[i]), QSize(m.captured(1).toInt(), m.captured(2).toInt()), {}};
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

namespace {

QString keyOf(const AddedMap &map)
{
    return map.editionFolder + u'\t' + map.sheetNumber;
}

bool isAdded(const AddedMap &map)
{
    return map.editionFolder == editions::kArchive && map.sheetNumber.toInt() > archive::kTitleCount;
}

const AddedMap *byKey(const QList<AddedMap> &maps, const QString &key)
{
    for (const AddedMap &map : maps)
        if (keyOf(map) == key)
            return &map;
    return nullptr;
}

int lastPosition(const QList<AddedMap> &maps)
{
    int last = archive::kTitleCount;
    for (const AddedMap &map : maps)
        if (isAdded(map))
            last = std::max(last, map.sheetNumber.toInt());
    return last;
}

QByteArray fileText(const QList<AddedMap> &maps, const QStringList &unreadable)
{
    QByteArray bytes = kAddedMapsHeader.toUtf8() + '\n';
    for (const AddedMap &map : maps)
        bytes += AddedMaps::line(map).toUtf8() + '\n';
    for (const QString &l : unreadable)
        bytes += l.toUtf8() + '\n';
    return bytes;
}

} // namespace

QString AddedMaps::line(const AddedMap &map)
{
    if (map.removed)
        return QStringList{clean(map.editionFolder), clean(map.sheetNumber), kRemovedMark}.join(u'\t');
    return activeLine(map);
}

AddedMaps::Parsed AddedMaps::parse(const QByteArray &text)
{
    Parsed parsed;
    QStringList lines = QString::fromUtf8(text).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString l : lines) {
        if (l.endsWith(u'\r'))
            l.chop(1);
        if (l == kAddedMapsHeader) {
            parsed.fixedPositions = true;
            continue;
        }
        auto map = fromLine(l);
        if (!map) {
            if (!l.trimmed().isEmpty())
                parsed.unreadable << l;
            continue;
        }
        if (!byKey(parsed.maps, keyOf(*map)))   // the first line of a map counts
            parsed.maps << *map;
    }
    if (parsed.fixedPositions)
        return parsed;
    // A file of an older version: its added maps follow the archive list without a gap,
    // in the order of their positions.
    QList<AddedMap *> added;
    for (AddedMap &map : parsed.maps)
        if (isAdded(map))
            added << &map;
    std::stable_sort(added.begin(), added.end(),
                     [](const AddedMap *a, const AddedMap *b) { return a->sheetNumber.toInt() < b->sheetNumber.toInt(); });
    int position = archive::kTitleCount;
    for (AddedMap *map : added)
        map->sheetNumber = QString::number(++position);
    return parsed;
}

void AddedMaps::load(const QString &mapsRoot)
{
    m_maps.clear();
    m_unreadable.clear();
    QFile file(filePath(mapsRoot));
    if (file.open(QIODevice::ReadOnly)) {
        Parsed parsed = parse(file.readAll());
        m_maps = parsed.maps;
        m_unreadable = parsed.unreadable;
    }
    m_base = m_maps;
    if (!m_unreadable.isEmpty())
        qCWarning(lcCatalogue) << m_unreadable.size() << "line(s) of" << file.fileName()
                               << "cannot be read; they are kept as they stand";
}

bool AddedMaps::save(const QString &mapsRoot)
{
    const QString path = filePath(mapsRoot);
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(10000)) {
        qCWarning(lcCatalogue) << "cannot lock" << path << ":" << int(lock.error());
        return false;
    }
    Parsed disk;
    QFile current(path);
    if (current.open(QIODevice::ReadOnly))
        disk = parse(current.readAll());
    current.close();

    // The file as it is now, with what changed here since the last read laid over it.
    QList<AddedMap> merged = disk.maps;
    QHash<int, int> movedTo;
    QStringList keys;
    for (const AddedMap &map : m_maps)
        keys << keyOf(map);
    for (const AddedMap &map : m_base)
        if (!keys.contains(keyOf(map)))
            keys << keyOf(map);
    for (const QString &key : keys) {
        const AddedMap *mine = byKey(m_maps, key);
        const AddedMap *before = byKey(m_base, key);
        if ((!mine && !before) || (mine && before && *mine == *before))
            continue;   // unchanged here: the file's line stands
        const auto at = std::find_if(merged.begin(), merged.end(), [&](const AddedMap &m) { return keyOf(m) == key; });
        if (!mine) {
            if (at != merged.end())
                merged.erase(at);
            continue;
        }
        if (!before && at != merged.end() && *at != *mine && isAdded(*mine)) {
            // Another program gave this position to its own map meanwhile: ours takes the next.
            AddedMap moved = *mine;
            moved.sheetNumber = QString::number(std::max(lastPosition(merged), lastPosition(m_maps)) + 1);
            movedTo.insert(mine->sheetNumber.toInt(), moved.sheetNumber.toInt());
            merged << moved;
            continue;
        }
        if (at != merged.end())
            *at = *mine;
        else
            merged << *mine;
    }

    const QByteArray bytes = fileText(merged, disk.unreadable);
    QSaveFile file(path);
    if (!(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())) {
        qCWarning(lcCatalogue) << "cannot write" << path << ":" << file.errorString();
        return false;
    }
    m_maps = merged;
    m_base = merged;
    m_moved = movedTo;
    m_unreadable = disk.unreadable;
    return true;
}

QStringList AddedMaps::addedTitles() const
{
    QStringList titles(lastPosition(m_maps) - archive::kTitleCount);
    for (const AddedMap &map : m_maps)
        if (isAdded(map) && !map.removed)
            titles[map.sheetNumber.toInt() - archive::kTitleCount - 1] = map.title;
    return titles;
}

const AddedMap *AddedMaps::find(const SheetId &sheet) const
{
    const QString number = sheet.numberText();
    for (const AddedMap &map : m_maps)
        if (map.editionFolder == sheet.edition && map.sheetNumber == number && !map.removed)
            return &map;
    return nullptr;
}

AddedMap *AddedMaps::findMutable(const SheetId &sheet)
{
    // Non-const iteration: the list is detached from the last-read copy it may share.
    const QString number = sheet.numberText();
    for (AddedMap &map : m_maps)
        if (map.editionFolder == sheet.edition && map.sheetNumber == number && !map.removed)
            return &map;
    return nullptr;
}

std::optional<SheetSource> AddedMaps::sheet(const SheetId &sheet) const
{
    const AddedMap *map = find(sheet);
    const int index = sheetIndexOf(sheet);
    if (!map || index > map->sheets.size() || map->sheets[index - 1].address.isEmpty())
        return std::nullopt;
    return map->sheets[index - 1];
}

QSize AddedMaps::tileGrid(const SheetId &sheet) const
{
    const auto source = this->sheet(sheet);
    return source ? source->tileGrid() : QSize(store::kGridSide, store::kGridSide);
}

bool AddedMaps::setTileGrid(const SheetId &sheet, QSize grid)
{
    const int index = sheetIndexOf(sheet);
    AddedMap *map = findMutable(sheet);
    if (!map || index > map->sheets.size() || map->sheets[index - 1].address.isEmpty()
        || !isGrid(grid) || map->sheets[index - 1].grid == grid)
        return false;
    map->sheets[index - 1].grid = grid;
    return true;
}

int AddedMaps::addArchiveMap(const QString &title, const QList<SheetSource> &sheets)
{
    const int position = std::max(lastPosition(m_maps), lastPosition(m_base)) + 1;
    m_maps << AddedMap{editions::kArchive, QString::number(position), clean(title), sheets};
    return position;
}

QStringList sheetFolders(const QString &mapsRoot, const AddedMap &map)
{
    QStringList folders;
    for (int index = 1; index <= map.sheets.size(); ++index) {
        const QString suffix = map.editionFolder == editions::kArchive
                                   ? archive::sheetIndexSuffix(QString::number(index), QString())
                                   : QString();
        folders << store::mapFolder(mapsRoot, SheetId::fromTexts(map.editionFolder, map.sheetNumber, suffix));
    }
    return folders;
}

std::optional<SheetSource> AddedMaps::sheetInFolder(const QString &mapsRoot, const QString &folder) const
{
    const QString wanted = QDir::cleanPath(folder);
    for (const AddedMap &map : m_maps) {
        const QStringList folders = sheetFolders(mapsRoot, map);
        for (qsizetype i = 0; i < folders.size(); ++i)
            if (QDir::cleanPath(folders[i]) == wanted)
                return map.sheets[i];
    }
    return std::nullopt;
}

bool AddedMaps::removeArchiveMap(int position)
{
    AddedMap *map = findMutable(SheetId::archive(position, 0));
    if (!map || !isAdded(*map))
        return false;
    *map = AddedMap{map->editionFolder, map->sheetNumber, {}, {}, true};
    return true;
}

void AddedMaps::setSheet(const SheetId &sheet, const SheetSource &source, const QString &title)
{
    const int sheetIndex = sheetIndexOf(sheet);
    const QString editionFolder = sheet.edition;
    const QString sheetNumber = sheet.numberText();
    AddedMap *map = findMutable(sheet);
    if (source.address.isEmpty()) {
        if (!map || sheetIndex > map->sheets.size())
            return;
        map->sheets[sheetIndex - 1] = SheetSource{{}, QSize(0, 0), {}};
        if (isAdded(*map))
            return;   // an added map keeps its line, its sheets and its position
        // A catalogue map or Cassini sheet with no address left has nothing to keep.
        while (!map->sheets.isEmpty() && map->sheets.last().address.isEmpty())
            map->sheets.removeLast();
        if (map->sheets.isEmpty())
            m_maps.removeIf([&](const AddedMap &m) { return &m == map; });
        return;
    }
    if (!map) {
        m_maps.removeIf([&](const AddedMap &m) { return m.editionFolder == editionFolder && m.sheetNumber == sheetNumber; });
        m_maps << AddedMap{editionFolder, sheetNumber, clean(title), {}};
        map = &m_maps.last();
    }
    while (map->sheets.size() < sheetIndex)
        map->sheets << SheetSource{};
    map->sheets[sheetIndex - 1] = source;
}

} // namespace catalogue
