#pragma once
// Page "Impression poster": a composed picture printed enlarged over several pages. The
// slider sets the size in pages, the paper grid shows how far the picture reaches, the
// alignment puts the blank strip at the top or the bottom, "Imprimer" prints page after
// page, each as its own job.

#include "widgets/Page.h"
#include "print/PosterLayout.h"

#include <QImage>
#include <QSize>
#include <array>

class PosterSizePreview;
class PrintPanel;
class PrintZonePage;
class CheckBox;
class QLabel;
class QPainter;
class QPrinter;
class QPushButton;
class QSlider;
class QSpinBox;
class RadioGroup;

class PosterPage : public Page {
    Q_OBJECT
public:
    PosterPage(AppContext &context, PrintZonePage &zone, PrintPanel &printPanel, QWidget *parent = nullptr);
    void onShow() override;
    // The page's caption, naming the selected sheet.
    QString selectionCaption() const;

    // "Imprimer sur X feuilles" on the print page: this page, shown, sets itself up for the
    // composition at the largest size.
    void preparePoster();
    // Leaving the page: every composed picture goes, and the print buttons with it.
    void leavePage();

    printing::PosterOptions posterOptions() const;
    // Paints every page of the poster (the assembly plan first when chosen) on one painter
    // opened on `printer`, a new page between them. False when the printer failed.
    bool paintPoster(QPrinter &printer, QPainter &painter);

    int sourceQuarter() const { return m_source; }
    QSize pageBoxSize() const { return m_box; }
    int posterRows() const { return m_rows; }
    int posterColumns() const { return m_columns; }
    printing::Alignment alignment() const { return m_alignment; }
    const QString &currentQuarterSuffix() const { return m_suffix; }

private:
    void onSizeChanged();
    void onQuarterClicked(int quarter);   // "Quart 1".."Quart 4"
    void onAlignmentClicked();
    void onPrintClicked();
    void onPreviewClicked();

    void setQuarterButtonsEnabled(bool enabled);
    void showSource(int quarter);
    void computePageBox(int value);
    void countPosterPages();
    void setAlignment(printing::Alignment alignment);
    struct Plan;
    Plan plan(QPrinter &printer) const;
    QImage pageBitmap(const Plan &plan, int row, int column) const;
    QImage assemblyPlanPicture(const Plan &plan) const;
    QString pageHeader(const Plan &plan, int n, int row, int column) const;
    // A quarter q > 0 of a whole sheet prints to its own file or pages, named with "q" + q.
    bool printOneFile(int quarter);
    bool printPageByPage(int quarter);

    PrintZonePage &m_zone;
    PrintPanel &m_printPanel;
    int m_source = 1;                   // poster source: quarter 1..4 of the print page
    QSize m_box{0, 0};                  // page box on the paper grid
    int m_rows = 0, m_columns = 0;
    printing::Alignment m_alignment = printing::Alignment::Top;
    QString m_suffix;                   // quarter suffix of the page headers

    PosterSizePreview *m_sizePreview;
    std::array<QPushButton *, 4> m_quarterButtons{};
    RadioGroup *m_alignmentGroup;
    QLabel *m_pageCountLabel;
    QSlider *m_sizeSlider;
    QPushButton *m_printButton;
    // Assembling the poster: overlap, cut marks, assembly plan; one PDF file; preview.
    QSpinBox *m_overlapBox;
    CheckBox *m_cutMarksBox, *m_assemblyPlanBox, *m_singlePdfBox;
    QPushButton *m_previewButton;
};
