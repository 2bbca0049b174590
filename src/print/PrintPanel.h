#pragma once
// The print panel "VisuImp" and the printing of one page. The panel shows before a
// one-page print: orientation (acting on the printer at once), copies, the page header,
// "Imprimer" and "Annuler". printPage prints the print bitmap with the header as one job.

#include "print/PageLayout.h"

#include <QGroupBox>
#include <QImage>
#include <functional>

class AppContext;
class QLineEdit;
class QPainter;
class QPrinter;
class QScrollBar;
class RadioGroup;

class PrintPanel : public QGroupBox {
    Q_OBJECT
public:
    // `printer` gives the program's printer, made when it is first needed.
    PrintPanel(AppContext &context, std::function<QPrinter &()> printer, QWidget *parent);

    QPrinter &printer() { return m_printer(); }

    // The picture goes through the transfer file into the print bitmap; the panel shows
    // centred over its parent with the header. The entry for printing any picture, such as
    // the capture of a map view.
    void printImage(const QImage &picture, const QString &header);

    // Prints the print bitmap with the page header on one page as one print job. For a
    // poster page `page` > 0 numbers the output when the printer writes a PDF file, and a
    // quarter 1..4 of a whole sheet names its pages apart from the other quarters'. False
    // (after the error box) when nothing was printed.
    bool printPage(int page = 0, int quarter = 0);
    // The same, the PDF file named with "-" + `pdfLabel` when the label is not empty.
    bool printPage(const QString &pdfLabel);
    // The same, `overlay` drawing over the page once the bitmap is on it (given where the
    // page put it and the bitmap's width).
    using PageOverlay = std::function<void(QPrinter &, QPainter &, const printing::PageLayout &, int bitmapWidth)>;
    bool printPage(const QString &pdfLabel, const PageOverlay &overlay);
    // Before a poster of `pages` pages goes to PDF files: when files of those names exist
    // already, asks whether to replace them. True when printing may go on.
    bool mayReplacePosterFiles(int pages, int quarter);

    void setPrintBitmap(const QImage &bitmap) { m_printBitmap = bitmap; }
    const QImage &printBitmap() const { return m_printBitmap; }
    QString transferPath() const;
    // Sets the printer's orientation and shows it in the orientation choice.
    void setPortrait(bool portrait);
    // "Annuler": the transfer file goes and the panel closes.
    void cancel();

    // One print job on the printer: `paint` draws its pages on a painter opened on it and
    // says whether it could. When the printer cannot be opened or the job fails, the error
    // box says so; false then.
    bool runPrintJob(const std::function<bool(QPrinter &, QPainter &)> &paint);
    // Qt's preview of what `paint` draws on a printer, in a dialog of its own.
    void openPreview(const std::function<void(QPrinter &, QPainter &)> &paint);

protected:
    // Échap is "Annuler".
    void keyPressEvent(QKeyEvent *event) override;

private:
    void onOrientationClicked();
    void onCopiesChanged(int position);
    void onPrintClicked();
    void onPreviewClicked();
    printing::PageLayout paintPrintBitmap(QPrinter &target, QPainter &painter) const;
    void hidePanel();

    AppContext &m_context;
    std::function<QPrinter &()> m_printer;
    QImage m_printBitmap;
    RadioGroup *m_orientationGroup;
    QLineEdit *m_copiesEdit;
    QScrollBar *m_copiesUpDown;
    QLineEdit *m_headerEdit;
};

// The file name a printer writing `fileName` uses for poster page n: "-" + n inserted
// before ".pdf" (appended when the name has no such ending); a page of quarter q (1..4)
// gets "-q" + q + "-" + n.
QString numberedPdfName(const QString &fileName, int page, int quarter = 0);
QString numberedPdfName(const QString &fileName, const QString &label);
// The label of poster page n, of quarter q (1..4) when q > 0: "n" or "qq-n".
QString posterPageLabel(int page, int quarter = 0);
