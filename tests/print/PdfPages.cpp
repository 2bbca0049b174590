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
    return renderPdfPage(pdfFile, dpi, 1);
}

QImage renderPdfPage(const QString &pdfFile, int dpi, int page)
{
    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                     QString::number(page), QStringLiteral("-l"), QString::number(page),
                                     QStringLiteral("-singlefile"), QStringLiteral("-png"), pdfFile, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

int pdfPageCount(const QString &pdfFile)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdfFile}));
    for (const QString &line : info.split(u'\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return 0;
}

QString pdfText(const QString &pdfFile)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdfFile, QStringLiteral("-")}));
}

} // namespace testing_support
