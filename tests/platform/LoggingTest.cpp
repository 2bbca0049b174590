// What goes wrong is logged under the subsystem's category, with the file it concerns; the
// same steps that succeed log no warning.
#include "catalogue/AddedMaps.h"
#include "session/SettingsStore.h"
#include "store/TileWriter.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Logging, RefusedTilesAndFailedWritesAreWarnedAndSuccessIsSilent)
{
    QTemporaryDir dir;
    const QString existing = dir.path();
    const QString missing = dir.path() + QStringLiteral("/missing");
    writeFile(dir.path() + QStringLiteral("/plain"), "a file where a folder is expected");
    const QString underAFile = dir.path() + QStringLiteral("/plain/Orvantis.ini");

    const struct {
        const char *name;
        bool fails;
        std::function<bool()> step;   // true when the step succeeded
        const char *category;         // the category that warns when it fails
        QString path;                 // named in the warning
    } cases[] = {
        {"whole tile", false,
         [&] {
             store::TileWriter w(existing + QStringLiteral("/MAXI_AA.jpg"));
             return w.open() && w.write(jpegBytes(16, 8)) && w.commit() == store::TileWriter::Result::Installed;
         },
         "orvantis.store", existing + QStringLiteral("/MAXI_AA.jpg")},
        {"corrupt tile", true,
         [&] {
             store::TileWriter w(existing + QStringLiteral("/MAXI_BA.jpg"));
             return w.open() && w.write(QByteArray("no picture")) && w.commit() == store::TileWriter::Result::Installed;
         },
         "orvantis.store", existing + QStringLiteral("/MAXI_BA.jpg")},
        {"tile in a missing folder", true,
         [&] {
             store::TileWriter w(missing + QStringLiteral("/MAXI_CA.jpg"));
             return w.open();
         },
         "orvantis.store", missing + QStringLiteral("/MAXI_CA.jpg")},
        {"setting", false, [&] { return SettingsStore(existing + QStringLiteral("/Orvantis.ini")).write("cartes", existing); },
         "orvantis.session", existing + QStringLiteral("/Orvantis.ini")},
        {"setting under a file", true, [&] { return SettingsStore(underAFile).write("cartes", existing); },
         "orvantis.session", underAFile},
        {"added maps", false, [&] { return catalogue::AddedMaps().save(existing); },
         "orvantis.catalogue", catalogue::AddedMaps::filePath(existing)},
        {"added maps in a missing root", true, [&] { return catalogue::AddedMaps().save(missing); },
         "orvantis.catalogue", catalogue::AddedMaps::filePath(missing)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const bool succeeded = c.step();
        ASSERT_EQ(succeeded, !c.fails);
        const QStringList warnings = log.warnings(c.category);
        if (succeeded) {
            EXPECT_TRUE(log.programWarnings().isEmpty()) << log.programWarnings().join(u'\n').toStdString();
        } else {
            ASSERT_FALSE(warnings.isEmpty()) << log.programWarnings().join(u'\n').toStdString();
            EXPECT_TRUE(warnings.join(u'\n').contains(c.path)) << warnings.join(u'\n').toStdString();
        }
    }
}

} // namespace
