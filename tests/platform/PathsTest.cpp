// Joining folders and reading the folder a stored setting names.
#include "platform/Paths.h"

#include <QDir>
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
