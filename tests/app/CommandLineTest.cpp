// The command line: Qt's own options are set aside before the program reads its own.
#include "app/QtOptions.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(CommandLine, QtOptionsAreSetAsideWithTheirValues)
{
    const struct {
        QStringList arguments, expected;
    } cases[] = {
        {{"orvantis", "-reverse"}, {"orvantis"}},
        {{"orvantis", "-platformtheme", "x", "--version"}, {"orvantis", "--version"}},
        {{"orvantis", "--platform", "offscreen", "-style=fusion", "-h"}, {"orvantis", "-h"}},
        {{"orvantis", "-stylesheet", "a.qss", "--bogus"}, {"orvantis", "--bogus"}},
        {{"orvantis", "-reverse=1", "-v"}, {"orvantis", "-reverse=1", "-v"}},   // not Qt's form
        {{"orvantis", "carte", "--exit-after-first-paint"}, {"orvantis", "carte", "--exit-after-first-paint"}},
        {{"orvantis", "-display"}, {"orvantis"}},   // a value missing at the end
    };
    for (const auto &c : cases)
        EXPECT_EQ(withoutQtOptions(c.arguments), c.expected) << c.arguments.join(u' ').toStdString();
}

} // namespace

namespace {

// The program itself, with no display at all: Qt's options do not answer for ours, and
// help, version and errors come without a window system.
TEST(CommandLine, AnswersWithoutADisplay)
{
    const struct {
        QStringList arguments;
        int exitCode;
        const char *output;   // start of stdout, or of stderr when the code is not 0
    } cases[] = {
        {{"-reverse", "--version"}, 0, "orvantis " ORVANTIS_VERSION},
        {{"-platformtheme", "x", "--help"}, 0, "Utilisation : orvantis [options]"},
        {{"-h"}, 0, "Utilisation : orvantis [options]"},
        {{"--bogus"}, 2, "orvantis : options inconnues : bogus"},
        {{"-reverse", "-bogus"}, 2, "orvantis : options inconnues : bogus"},
        {{"carte"}, 2, "orvantis : argument inattendu : carte"},
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVANTIS_PROGRAM), c.arguments);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.exitCode);
        const QByteArray text = c.exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        EXPECT_TRUE(text.startsWith(c.output)) << text.toStdString();
    }
}

} // namespace
