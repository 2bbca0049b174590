// The preview kept in the cache folder: shown without decoding while the sheet's tiles are
// unchanged, built afresh after any change of a tile, written after an import.
#include "catalogue/CassiniPage.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "render/Mosaic.h"
#include "view/MosaicPanel.h"
#include "view/PreviewCache.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <gtest/gtest.h>

using namespace testing_support;
using view::PreviewCache;

namespace {

QImage tilePicture(int walkIndex, QColor colour)
{
    // A gradient with a mark, so that a cell shrunk from another tile never looks the same.
    QImage picture(64, 48, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient gradient(0, 0, 64, 48);
    gradient.setColorAt(0, colour);
    gradient.setColorAt(1, QColor((walkIndex * 37) % 256, (walkIndex * 91) % 256, 255 - colour.red()));
    p.fillRect(picture.rect(), gradient);
    p.fillRect(8 + walkIndex % 40, 10, 12, 20, Qt::white);
    return picture;
}

struct CacheWindow : TestWindow {
    CacheWindow()
        : TestWindow({{QStringLiteral("affichage"), QStringLiteral("0")}})
    {
        start();
        window->show();
    }
    view::MapViewer &viewer() { return *window->mapViewer(); }
    QString mapFolder() { return context().selectedMapFolder(); }
    QString tile(int walkIndex) { return mapFolder() + u'/' + store::walkFileName(walkIndex); }
    void writeTile(int walkIndex, QColor colour)
    {
        writeFile(tile(walkIndex), jpegBytes(tilePicture(walkIndex, colour), 92));
    }
    // Opens the preview and returns what its 676 cells show (null where nothing).
    std::vector<QImage> openPreview()
    {
        context().refreshSelectionStatus();
        viewer().showPreview();
        std::vector<QImage> shown;
        for (int n = 1; n <= store::kTileCount; ++n) {
            const QImage picture = find<view::TileCell>(QStringLiteral("ImageA%1").arg(n))->picture();
            shown.push_back(picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32));
        }
        find<QAction>(QStringLiteral("Fermer1"))->trigger();
        return shown;
    }
    // A preview built now from the tiles, without the cache.
    std::vector<QImage> freshPreview(QSize cell)
    {
        render::Mosaic mosaic(mapFolder());
        mosaic.measure();
        std::vector<QImage> pictures = mosaic.decodeStretched(QRect(0, 0, 26, 26), cell);
        pictures.resize(size_t(store::kTileCount));
        for (QImage &p : pictures)
            if (!p.isNull())
                p = p.convertToFormat(QImage::Format_RGB32);
        return pictures;
    }
    QSize shownCell() { return find<view::TileCell>(QStringLiteral("ImageA1"))->size(); }
};

void expectSame(const std::vector<QImage> &shown, const std::vector<QImage> &expected)
{
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); ++i)
        ASSERT_TRUE(shown[i] == expected[i]) << "cell " << i + 1 << (shown[i].isNull() ? " empty" : "")
                                             << (expected[i].isNull() ? " expected empty" : "");
}

TEST(PreviewCache, ShownFromTheCacheWhileNoTileChangedAndRebuiltAfterAnyChange)
{
    CacheWindow w;
    for (int i = 0; i < 60; ++i)
        w.writeTile(i, QColor::fromHsv((i * 23) % 360, 200, 220));
    const std::vector<QImage> built = w.openPreview();
    const QSize cell = w.shownCell();
    expectSame(built, w.freshPreview(cell));
    const QString entry = w.viewer().previewCache().entryFile(w.mapFolder());
    ASSERT_TRUE(QFileInfo::exists(entry));

    // Shown again: the same pictures, from the cache (a planted entry under the same key
    // proves that nothing is decoded).
    expectSame(w.openPreview(), built);
    PreviewCache::Entry planted{QSize(64, 48), cell, std::vector<QImage>(store::kTileCount)};
    planted.cells[0] = QImage(cell, QImage::Format_RGB32);
    planted.cells[0].fill(Qt::green);
    ASSERT_TRUE(w.viewer().previewCache().store(w.mapFolder(), PreviewCache::keyOf(w.mapFolder()), planted));
    const std::vector<QImage> fromCache = w.openPreview();
    EXPECT_TRUE(fromCache[0] == planted.cells[0]);
    EXPECT_TRUE(fromCache[1].isNull());

    // Any change of a tile: the preview shown is the one built from the tiles as they are.
    const struct {
        const char *name;
        std::function<void()> change;
    } changes[] = {
        {"a tile rewritten with other content", [&] { w.writeTile(5, Qt::black); }},
        {"a tile deleted", [&] { QFile::remove(w.tile(7)); }},
        {"a tile added", [&] { w.writeTile(300, Qt::yellow); }},
        {"a tile replaced by a copy of another", [&] {
             QFile::remove(w.tile(9));
             QFile::copy(w.tile(10), w.tile(9));
         }},
        {"the last tile deleted: the cell size comes from another tile", [&] { QFile::remove(w.tile(300)); }},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(w.viewer().previewCache().store(w.mapFolder(), PreviewCache::keyOf(w.mapFolder()), planted));
        c.change();
        const std::vector<QImage> shown = w.openPreview();
        expectSame(shown, w.freshPreview(w.shownCell()));
        expectSame(w.openPreview(), shown);   // and kept again
    }
}

TEST(PreviewCache, EntriesThatDoNotFitAreNotUsed)
{
    QTemporaryDir cacheDir, maps;
    const PreviewCache cache(cacheDir.path());
    const QString folder = maps.path() + QStringLiteral("/Carte1");
    QDir().mkpath(folder);
    writeFile(folder + QStringLiteral("/MAXI_AA.jpg"), jpegBytes(16, 12));
    const QByteArray key = PreviewCache::keyOf(folder);
    ASSERT_FALSE(key.isEmpty());
    EXPECT_TRUE(PreviewCache::keyOf(maps.path() + QStringLiteral("/missing")).isEmpty());
    // The same folder written with doubled or back slashes has the same key and entry.
    EXPECT_EQ(PreviewCache::keyOf(maps.path() + QStringLiteral("//Carte1")), key);

    PreviewCache::Entry entry{QSize(16, 12), QSize(4, 3), std::vector<QImage>(store::kTileCount)};
    entry.cells[0] = QImage(QSize(4, 3), QImage::Format_RGB32);
    entry.cells[0].fill(Qt::red);
    ASSERT_TRUE(cache.store(folder, key, entry));
    ASSERT_TRUE(cache.find(folder, key).has_value());
    EXPECT_TRUE(cache.find(folder, key)->cells[0] == entry.cells[0]);
    EXPECT_FALSE(cache.find(folder, QByteArray("other key")).has_value());
    EXPECT_FALSE(cache.find(maps.path() + QStringLiteral("/Carte2"), key).has_value());

    // A cut or scrambled file is no entry.
    const QString file = cache.entryFile(folder);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray whole = f.readAll();
    f.resize(whole.size() - 5);
    f.close();
    EXPECT_FALSE(cache.find(folder, key).has_value());
    writeFile(file, QByteArray(whole.size(), 'x'));
    EXPECT_FALSE(cache.find(folder, key).has_value());

    // A picture of the wrong size is refused, and an unwritable cache folder is no error.
    entry.cells[1] = QImage(QSize(5, 3), QImage::Format_RGB32);
    EXPECT_FALSE(cache.store(folder, key, entry));
    EXPECT_FALSE(PreviewCache(QStringLiteral("/proc/no-such-cache")).store(folder, key, entry));
}

TEST(PreviewCache, KeepsAtMostItsNumberOfEntriesTheNewest)
{
    QTemporaryDir cacheDir, maps;
    const PreviewCache cache(cacheDir.path(), 2);
    PreviewCache::Entry entry{QSize(16, 12), QSize(4, 3), std::vector<QImage>(store::kTileCount)};
    QStringList folders;
    for (int n = 1; n <= 3; ++n) {
        folders << maps.path() + QStringLiteral("/Carte%1").arg(n);
        QDir().mkpath(folders.last());
        ASSERT_TRUE(cache.store(folders.last(), PreviewCache::keyOf(folders.last()), entry));
        // Entries written in the same instant would have no order.
        QFile f(cache.entryFile(folders.last()));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(n - 10), QFileDevice::FileModificationTime);
    }
    EXPECT_FALSE(QFileInfo::exists(cache.entryFile(folders[0])));
    EXPECT_TRUE(QFileInfo::exists(cache.entryFile(folders[1])));
    EXPECT_TRUE(QFileInfo::exists(cache.entryFile(folders[2])));
}

TEST(PreviewCache, AnImportKeepsThePreviewOfTheImportedSheet)
{
    CacheWindow w;
    QTemporaryDir backup;
    for (int i = 0; i < 30; ++i)
        writeFile(backup.path() + u'/' + store::walkFileName(i), jpegBytes(tilePicture(i, Qt::darkCyan), 90));
    w.desktop.folderAnswers.push_back(backup.path());
    w.click(QStringLiteral("spSkinButton6"));   // "Importer d'une sauvegarde"
    ASSERT_TRUE(QFileInfo::exists(w.tile(29)));
    const QString entry = w.viewer().previewCache().entryFile(w.mapFolder());
    ASSERT_TRUE(QFileInfo::exists(entry));
    const QDateTime written = QFileInfo(entry).lastModified();

    const std::vector<QImage> shown = w.openPreview();
    expectSame(shown, w.freshPreview(w.shownCell()));
    EXPECT_EQ(QFileInfo(entry).lastModified(), written);   // shown from it, not written again
}

} // namespace
