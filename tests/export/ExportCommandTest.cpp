// "orvantis --export": the program run as a command, without a window.

#include "ExportFixtures.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace export_testing;

TEST(ExportCommand, WritesTheMapOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Cassini couleurs/Carte57"));
    writeSheet(folder, {4, 3}, [](int c, int r) { return QSize(c == 3 ? 20 : 32, r == 2 ? 10 : 24); });
    testing_support::writeFile(dir.filePath(QStringLiteral("fichier")), "x");

    const struct {
        const char *name;
        QString folder;
        QString output;
        bool written;
        QString says;
    } cases[] = {
        {"png", folder, dir.filePath(QStringLiteral("carte.png")), true, QStringLiteral("116 x 58 pixels")},
        {"tiff", folder, dir.filePath(QStringLiteral("carte.tif")), true, QStringLiteral("116 x 58 pixels")},
        {"missing folder", dir.filePath(QStringLiteral("Absente")), dir.filePath(QStringLiteral("a.png")), false,
         QStringLiteral("Dossier introuvable : ")},
        {"folder without tiles", dir.filePath(QStringLiteral("Cassini couleurs")), dir.filePath(QStringLiteral("b.png")),
         false, QStringLiteral("Aucune image de la carte")},
        {"output under a file", folder, dir.filePath(QStringLiteral("fichier/carte.png")), false,
         QStringLiteral("Ecriture impossible du fichier ")},
        {"output in a missing folder", folder, dir.filePath(QStringLiteral("Absent/carte.jpg")), false,
         QStringLiteral("Ecriture impossible du fichier ")},
        {"unknown format", folder, dir.filePath(QStringLiteral("carte.bmp")), false, QStringLiteral("Format inconnu")},
    };
    for (const auto &c : cases) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));   // no window system is needed
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVANTIS_PATH), {QStringLiteral("--export"), c.folder, c.output});
        ASSERT_TRUE(program.waitForFinished(60000)) << c.name;
        const QString said = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << c.name;
        EXPECT_EQ(program.exitCode() == 0, c.written) << c.name << ": " << said.toStdString();
        EXPECT_TRUE(said.contains(c.says)) << c.name << ": " << said.toStdString();
        EXPECT_EQ(QFileInfo(c.output).isFile(), c.written) << c.name;
    }
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("carte.png"))).size(), QSize(116, 58));
    if (!vipsProgram().isEmpty())
        EXPECT_EQ(readWithVips(dir.filePath(QStringLiteral("carte.tif")), dir.path()).size(), QSize(116, 58));
}
