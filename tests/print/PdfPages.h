#pragma once
// Reading back what the program printed to PDF: a page rendered by pdftoppm, its text by
// pdftotext.

#include <QImage>
#include <QString>

namespace testing_support {

// The first page of the PDF file rendered at `dpi`; null when it cannot be rendered.
QImage renderPdf(const QString &pdfFile, int dpi);
// Page `page` (from 1) of the PDF file rendered at `dpi`; null when it cannot be rendered.
QImage renderPdfPage(const QString &pdfFile, int dpi, int page);
// The number of pages of the PDF file (0 when it cannot be read).
int pdfPageCount(const QString &pdfFile);
// The text of the PDF file.
QString pdfText(const QString &pdfFile);

} // namespace testing_support
