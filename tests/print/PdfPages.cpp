#include "PdfPages.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace testing_support {

static QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QImage renderPdf(const QString &pdfFile, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-singlefile"),
                                     QStringLiteral("-png"), pdfFile, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QString pdfText(const QString &pdfFile)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdfFile, QStringLiteral("-")}));
}

} // namespace testing_support
