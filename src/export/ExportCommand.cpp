#include "export/ExportCommand.h"

#include "export/ExportRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstring>

namespace exporting {
namespace {

int fail(const QString &message, int code = 1)
{
    std::fprintf(stderr, "orvantis : %s\n", qPrintable(message));
    return code;
}

} // namespace

std::optional<int> runExportCommand(int argc, char *argv[])
{
    int at = -1;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--export") == 0)
            at = i;
    if (at < 0)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4 || at != 1)
        return fail(QStringLiteral("utilisation : orvantis --export DOSSIER-DE-LA-CARTE FICHIER.jpg|.tif|.png"), 2);
    const QString folder = arguments[2];
    const QString output = QFileInfo(arguments[3]).absoluteFilePath();
    const std::optional<Format> format = formatOfPath(output);
    if (!format)
        return fail(unknownFormatMessage(arguments[3]), 2);
    if (!QFileInfo(folder).isDir())
        return fail(QStringLiteral("Dossier introuvable : %1").arg(folder));
    if (!QFileInfo(QFileInfo(output).absolutePath()).isDir())
        return fail(writeFailedMessage(arguments[3]));

    const ExportPlan plan = planExport(folder, gridOfFolder(folder));
    if (!plan.empty())
        std::fprintf(stderr, "%s\n", qPrintable(planSummary(plan, *format)));
    const std::atomic<bool> cancel = false;
    const ExportResult result = runExport(plan, output, *format, cancel);
    if (result.outcome != ExportResult::Written)
        return fail(result.message);
    std::printf("%s\n", qPrintable(result.message));
    return 0;
}

} // namespace exporting
