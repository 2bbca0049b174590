// Joining folders and reading the folder a stored setting names.
#include "platform/Paths.h"
#include "platform/QtDesktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Paths, JoinPutsOneSeparatorAndKeepsNames)
{
    const struct {
        const char *folder, *name, *expected;
    } cases[] = {
        {"/Cartes", "Carte1", "/Cartes/Carte1"},
        {"/Cartes/", "Carte1", "/Cartes/Carte1"},
        {"/a\\b", "c\\d", "/a\\b/c\\d"},   // a backslash is part of a name
        {"", "Carte1", "Carte1"},
        {"/", "Cartes", "/Cartes"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paths::join(QString::fromUtf8(c.folder), QString::fromUtf8(c.name)), QString::fromUtf8(c.expected))
            << c.folder << " + " << c.name;
}

// "cartes" keeps reading as before: a folder named as stored is taken as it is; a text that
// older versions read with "\" as a separator still finds its folder.
TEST(Paths, StoredFolderAsItIsOrAsOlderVersionsReadIt)
{
    QTemporaryDir dir;
    const QString base = dir.path();
    ASSERT_TRUE(QDir(base).mkpath(QStringLiteral("old/Cartes")));
    ASSERT_TRUE(QDir(base).mkdir(QStringLiteral("back\\slash")));
    ASSERT_TRUE(QDir(base).mkpath(QStringLiteral("both\\kinds")));
    ASSERT_TRUE(QDir(base).mkpath(QStringLiteral("both/kinds")));

    const struct {
        QString stored, expected;
    } cases[] = {
        {base + QStringLiteral("/old/Cartes"), base + QStringLiteral("/old/Cartes")},
        {base + QStringLiteral("/old/Cartes/"), base + QStringLiteral("/old/Cartes/")},
        {base + QStringLiteral("\\old\\\\Cartes\\"), base + QStringLiteral("/old/Cartes/")},
        {base + QStringLiteral("/back\\slash"), base + QStringLiteral("/back\\slash")},
        {base + QStringLiteral("/both\\kinds"), base + QStringLiteral("/both\\kinds")},   // as it is, first
        {base + QStringLiteral("/none\\Cartes"), QString()},
        {base + QStringLiteral("/none"), QString()},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paths::existingStoredFolder(c.stored), c.expected) << c.stored.toStdString();
}

} // namespace

namespace {

// An installed program is one in a bin/ that is not a build folder; it keeps its maps in the
// per-user data folder. A program in its build folder keeps them beside itself.
TEST(Paths, InstalledProgramFolderIsABinThatIsNotABuild)
{
    QTemporaryDir dir;
    const QString base = dir.path();
    for (const char *sub : {"prefix/bin", "build/bin", "build/app"})
        ASSERT_TRUE(QDir(base).mkpath(QString::fromLatin1(sub)));
    QFile cache(base + QStringLiteral("/build/bin/CMakeCache.txt"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    const struct {
        const char *folder;
        bool installed;
    } cases[] = {{"prefix/bin", true}, {"prefix/bin/", true}, {"build/bin", false}, {"build/app", false}};
    for (const auto &c : cases)
        EXPECT_EQ(paths::isInstalledProgramFolder(base + u'/' + QString::fromLatin1(c.folder)), c.installed)
            << c.folder;
}

// The folder browser opens on the user's home (later, on the last folder chosen), nothing typed.
TEST(Paths, FolderBrowserStartsAtHome)
{
    QtDesktop desktop;
    EXPECT_EQ(desktop.browseStartFolder(), QDir::homePath());
}

} // namespace
