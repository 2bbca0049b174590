#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "app/Translations.h"
#include "export/ExportCommand.h"
#include "platform/Paths.h"
#include "platform/QtDesktop.h"

#include "app/QtOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

const QString kVersion = QStringLiteral(ORVANTIS_VERSION);

QString helpText()
{
    return QStringLiteral(
        "Utilisation : orvantis [options]\n"
        "Installe, affiche et imprime les cartes anciennes de France (carte de Cassini et\n"
        "cartes des archives de la bibliothèque nationale).\n"
        "\n"
        "Options :\n"
        "  -h, --help     Affiche cette aide et quitte.\n"
        "  -v, --version  Affiche la version du programme et quitte.\n"
        "  --export DOSSIER FICHIER\n"
        "                 Enregistre la carte entière du dossier dans FICHIER (.jpg, .tif\n"
        "                 ou .png) sans ouvrir de fenêtre, et quitte.\n"
        "\n"
        "Les options de Qt (-platform, -style, -display...) sont aussi acceptées.\n"
        "Les réglages sont dans Orvantis.ini, dans le dossier de configuration de l'utilisateur.\n");
}

int commandLineError(const QCommandLineParser &parser)
{
    const QString what = parser.unknownOptionNames().isEmpty()
        ? (parser.positionalArguments().isEmpty() ? parser.errorText()
                                                   : QStringLiteral("argument inattendu : ")
                                                         + parser.positionalArguments().join(u' '))
        : QStringLiteral("options inconnues : ") + parser.unknownOptionNames().join(QStringLiteral(", "));
    std::fprintf(stderr, "orvantis : %s\nEssayez « orvantis --help ».\n", qPrintable(what));
    return 2;
}

// Quits once the window has been painted for the first time; the start-up benchmark and the
// installed-program test use it. Prints the elapsed time and the folder of help and skin.
class FirstPaintExit : public QObject {
public:
    FirstPaintExit(const QElapsedTimer &clock, const QString &installFolder)
        : m_clock(clock), m_installFolder(installFolder) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("premier affichage : %lld ms\nfichiers du programme : %s\n",
                        static_cast<long long>(m_clock.elapsed()), qPrintable(m_installFolder));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
    QString m_installFolder;
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();

    // "--export MAP-FOLDER FILE": a whole map written without a window.
    if (const std::optional<int> exported = exporting::runExportCommand(argc, argv))
        return *exported;

    QCommandLineParser parser;
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Affiche cette aide et quitte."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Affiche la version du programme et quitte."));
    QCommandLineOption exitOption(QStringLiteral("exit-after-first-paint"));
    exitOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({helpOption, versionOption, exitOption});

    // The command line is read before the window system is opened, so that --help,
    // --version and a wrong option are answered without a display. Qt's own options are
    // set aside first (QApplication takes them), and one dash words stay whole
    // ("-reverse" is Qt's, not "-r -e -v...").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QStringList ours = withoutQtOptions(arguments);
    if (!parser.parse(ours) || !parser.positionalArguments().isEmpty()) {
        if (!parser.isSet(helpOption) && !parser.isSet(versionOption))
            return commandLineError(parser);
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("orvantis %s\n", qPrintable(kVersion));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    // No display name: Qt would append it to every window caption.
    QApplication::setApplicationVersion(kVersion);

    // What remains after Qt took its options is ours (read again: Qt knows its options best).
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty())
        return commandLineError(parser);
    installFrenchQtTranslations(app);

    QtDesktop desktop;
    SettingsStore settings;
    const QString installFolder = paths::installFolder();
    // The window shows with its home page; the other pages are made just after.
    MainWindow window(desktop, settings, paths::programFolder(), installFolder,
                      MainWindow::PageBuilding::AfterFirstPaint);
    desktop.setParentWidget(&window);

    FirstPaintExit firstPaintExit(clock, installFolder);
    if (parser.isSet(exitOption))
        window.installEventFilter(&firstPaintExit);

    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
