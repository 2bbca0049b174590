#include "print/PosterPage.h"
#include "session/AppContext.h"
#include "session/SharedOptions.h"
#include "widgets/Controls.h"
#include "platform/Desktop.h"
#include "print/PaperCell.h"
#include "print/PrintPanel.h"
#include "print/PrintZonePage.h"
#include "print/TransferFile.h"
#include "print/PageLayout.h"
#include "widgets/CheckBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainterPath>
#include <QPrinter>
#include <QSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

using controls::button;
using controls::named;
using printing::Alignment;

// The poster's size on the paper grid: its picture stretched to fit with its proportions
// kept, from the top-left corner.
class PosterSizePreview : public QWidget {
public:
    using QWidget::QWidget;
    void setPicture(const QImage &picture)
    {
        m_picture = picture;
        update();
    }
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_picture.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
        p.drawImage(QRect(QPoint(0, 0), fitted), m_picture);
    }

private:
    QImage m_picture;
};

PosterPage::PosterPage(AppContext &context, PrintZonePage &zone, PrintPanel &printPanel, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet7"), parent), m_zone(zone), m_printPanel(printPanel)
{
    auto *bevel = named(new QFrame(this), QStringLiteral("Bevel1"), QRect(20, 21, 377, 355));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The paper grid, 9 x 6 cells that share their borders, named in the window's order.
    QStringList names;
    for (int n = 8; n <= 12; ++n)
        names << QStringLiteral("Shape%1").arg(n);
    for (int n = 20; n <= 68; ++n)
        names << QStringLiteral("Shape%1").arg(n);
    int cell = 0;
    for (int k = 0; k < printing::kGridRows; ++k)
        for (int i = 0; i < printing::kGridColumns; ++i)
            named(new PaperCell(this), names[cell++],
                  QRect(23 + printing::kCellWidth * i, 24 + printing::kCellHeight * k, 42, 59));

    m_sizePreview = named(new PosterSizePreview(this), QStringLiteral("BoxA4"), QRect(24, 25, 368, 347),
                          QStringLiteral("Aperçu de la taille d'impression en nombre de feuilles"));
    m_sizePreview->setAccessibleName(QStringLiteral("Aperçu de la taille d'impression en nombre de feuilles"));
    m_sizePreview->raise();

    QGroupBox *quartersGroup = controls::group(this, QStringLiteral("spSkinGroupBox13"),
                                               QStringLiteral("Impression d'une carte entière par quarts"),
                                               QRect(424, 24, 233, 105));
    const struct {
        const char *name;
        QRect bounds;
        const char *hint;
    } quarters[] = {{"spSkinButton36", {39, 33, 75, 25}, "Impression du quart supérieur gauche"},
                    {"spSkinButton43", {119, 33, 75, 25}, "Impression du quart supérieur droit"},
                    {"spSkinButton44", {39, 65, 75, 25}, "Impression du quart inférieur gauche"},
                    {"spSkinButton45", {119, 65, 75, 25}, "Impression du quart inférieur droit"}};
    for (int q = 1; q <= 4; ++q) {
        const auto &quarter = quarters[q - 1];
        m_quarterButtons[q - 1] = button(quartersGroup, QString::fromLatin1(quarter.name),
                                         QStringLiteral("Quart %1").arg(q), quarter.bounds,
                                         QString::fromUtf8(quarter.hint));
        connect(m_quarterButtons[q - 1], &QPushButton::clicked, this, [this, q] { onQuarterClicked(q); });
    }
    setQuarterButtonsEnabled(false);

    m_alignmentGroup = named(new RadioGroup(QStringLiteral("Alignement de l'impression"),
                                            {QStringLiteral("    Alignement sur le haut de la page."),
                                             QStringLiteral("    Alignement sur le bas de la page.")},
                                            this),
                             QStringLiteral("spSkinRadioGroup3"), QRect(424, 152, 233, 65));
    m_alignmentGroup->setItemIndex(0);
    connect(m_alignmentGroup, &RadioGroup::clicked, this, &PosterPage::onAlignmentClicked);

    QGroupBox *pagesGroup = controls::group(this, QStringLiteral("spSkinGroupBox14"),
                                            QStringLiteral("Impression multi-pages"), QRect(424, 240, 233, 134));
    m_pageCountLabel = controls::label(pagesGroup, QStringLiteral("spSkinStatusPanel2"),
                                       QStringLiteral("Nombre de pages à définir."), QRect(28, 32, 177, 25));
    m_pageCountLabel->setAlignment(Qt::AlignCenter);
    m_pageCountLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_sizeSlider = named(new QSlider(Qt::Horizontal, pagesGroup), QStringLiteral("spSkinTrackBar1"),
                         QRect(52, 61, 129, 20), QStringLiteral("Définir le nombre de feuilles à utiliser"));
    m_sizeSlider->setAccessibleName(QStringLiteral("Nombre de feuilles"));
    m_sizeSlider->setRange(1, 9);
    m_sizeSlider->setValue(1);
    m_sizeSlider->setPageStep(1);
    m_sizeSlider->setTickPosition(QSlider::TicksBelow);
    connect(m_sizeSlider, &QSlider::valueChanged, this, &PosterPage::onSizeChanged);
    m_printButton = button(pagesGroup, QStringLiteral("spSkinButton39"), QStringLiteral("Imprimer"),
                           QRect(52, 96, 129, 25), QStringLiteral("Lance l'impression"));
    m_printButton->setEnabled(false);
    connect(m_printButton, &QPushButton::clicked, this, &PosterPage::onPrintClicked);

    // Assembling: overlap between neighbouring pages, cut marks, a plan of the pages.
    QGroupBox *assemblyGroup = controls::group(this, QStringLiteral("GroupBoxAssemblage"),
                                               QStringLiteral("Assemblage du poster"), QRect(20, 380, 377, 68));
    auto *overlapLabel = controls::label(assemblyGroup, QStringLiteral("LabelRecouvrement"),
                                         QStringLiteral("Recouvrement"), QRect(10, 20, 96, 22));
    m_overlapBox = named(new QSpinBox(assemblyGroup), QStringLiteral("Recouvrement"), QRect(108, 20, 76, 22),
                         QStringLiteral("Largeur commune à deux pages voisines, de 0 à 20 mm"));
    m_overlapBox->setRange(0, printing::kMaxOverlapMm);
    m_overlapBox->setSuffix(QStringLiteral(" mm"));
    m_overlapBox->setAccessibleName(QStringLiteral("Recouvrement"));
    overlapLabel->setBuddy(m_overlapBox);
    m_cutMarksBox = named(new CheckBox(QStringLiteral("Traits de coupe"), assemblyGroup),
                          QStringLiteral("TraitsDeCoupe"), QRect(200, 20, 170, 22),
                          QStringLiteral("Marque les coins de l'image sur chaque page"));
    m_assemblyPlanBox = named(new CheckBox(QStringLiteral("Plan d'assemblage"), assemblyGroup),
                              QStringLiteral("PlanAssemblage"), QRect(10, 44, 250, 22),
                              QStringLiteral("Une première page montre la grille des pages et leurs numéros"));
    connect(m_assemblyPlanBox, &CheckBox::clickAction, this, [this] {
        if (m_rows > 0 && m_columns > 0)
            countPosterPages();
    });
    m_singlePdfBox = named(new CheckBox(QStringLiteral("Un seul fichier PDF"), this), QStringLiteral("UnSeulPdf"),
                           QRect(424, 386, 233, 22),
                           QStringLiteral("Impression dans un fichier PDF : toutes les pages dans un seul fichier"));
    m_singlePdfBox->setChecked(true);
    m_previewButton = button(this, QStringLiteral("ApercuPoster"), QStringLiteral("Aperçu avant impression"),
                             QRect(424, 416, 233, 25),
                             QStringLiteral("Montre les pages telles qu'elles seront imprimées"));
    m_previewButton->setEnabled(false);
    connect(m_previewButton, &QPushButton::clicked, this, &PosterPage::onPreviewClicked);

    connect(&m_zone, &PrintZonePage::quartersAvailable, this, &PosterPage::setQuarterButtonsEnabled);
    captionFollowsSelection([this] { return selectionCaption(); });
}

QString PosterPage::selectionCaption() const
{
    return QStringLiteral("Impression de la ") + m_context.selection().sheetCaption();
}

void PosterPage::onShow()
{
    setCaption(selectionCaption());
}

void PosterPage::setQuarterButtonsEnabled(bool enabled)
{
    for (QPushButton *b : m_quarterButtons)
        b->setEnabled(enabled);
}

void PosterPage::showSource(int quarter)
{
    m_sizePreview->setPicture(m_zone.quarterPreview(quarter));
}

void PosterPage::setAlignment(Alignment alignment)
{
    m_alignment = alignment;
    m_alignmentGroup->setItemIndex(int(alignment));
}

// The page box for a slider value. The size preview takes both of its sides, so the preview always
// shows the picture at the size it will print.
void PosterPage::computePageBox(int value)
{
    m_box = printing::pageBox(value, m_zone.compositionSize());
    m_sizePreview->resize(m_box);
}

void PosterPage::countPosterPages()
{
    m_columns = printing::posterColumns(m_box.width());
    m_rows = printing::posterRows(m_box.height());
    m_pageCountLabel->setText(printing::pageCountText(m_rows, m_columns, m_assemblyPlanBox->isChecked()));
}

void PosterPage::preparePoster()
{
    m_printButton->setEnabled(true);
    m_previewButton->setEnabled(true);
    m_sizePreview->setPicture(QImage());
    m_box = QSize(0, 0);
    const int maximum = printing::sliderMaximum(m_zone.compositionSize());
    {
        const QSignalBlocker block(m_sizeSlider);
        m_sizeSlider->setRange(1, maximum);
    }
    computePageBox(m_sizeSlider->value());
    if (m_sizeSlider->value() != maximum)
        m_sizeSlider->setValue(maximum);   // runs the slider's change
    showSource(1);
    setAlignment(Alignment::Bottom);
    m_source = 1;
    countPosterPages();
}

void PosterPage::onSizeChanged()
{
    computePageBox(m_sizeSlider->value());
    countPosterPages();
}

void PosterPage::onQuarterClicked(int quarter)
{
    showSource(quarter);
    m_source = quarter;
    m_suffix = printing::quarterSuffix(quarter);
    setAlignment(quarter <= 2 ? Alignment::Bottom : Alignment::Top);
    countPosterPages();
}

void PosterPage::onAlignmentClicked()
{
    m_alignment = m_alignmentGroup->itemIndex() == 0 ? Alignment::Top : Alignment::Bottom;
}

printing::PosterOptions PosterPage::posterOptions() const
{
    printing::PosterOptions o;
    o.overlapMm = m_overlapBox->value();
    o.cutMarks = m_cutMarksBox->isChecked();
    o.assemblyPlan = m_assemblyPlanBox->isChecked();
    return o;
}

// What every page of one print shares: the source, the piece, the overlap in source
// pixels and the buffer each page prints (piece + overlap on every side).
struct PosterPage::Plan {
    const printing::TileComposition *source = nullptr;
    printing::PosterOptions options;
    QSize piece;
    int overlap = 0;
    int rows = 0, columns = 0;
    Alignment alignment = Alignment::Top;
};

PosterPage::Plan PosterPage::plan(QPrinter &printer) const
{
    Plan p;
    p.source = &m_zone.quarter(m_source);
    p.options = posterOptions();
    p.piece = printing::pieceSize(p.source->size(), m_box);
    p.rows = m_rows;
    p.columns = m_columns;
    p.alignment = m_alignment;
    // The picture spans the page's width less its two 5 % margins, in portrait.
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    const double printedWidthMm = layout.paintRect(QPageLayout::Millimeter).width() * 0.9;
    p.overlap = printing::overlapPixels(p.options.overlapMm, p.piece.width(), printedWidthMm);
    return p;
}

QImage PosterPage::pageBitmap(const Plan &p, int row, int column) const
{
    return p.source->render(printing::overlappedPieceRect(row, column, p.rows, p.piece, p.source->size(),
                                                          p.alignment, p.overlap));
}

QString PosterPage::pageHeader(const Plan &p, int n, int row, int column) const
{
    if (!p.options.any())
        return printing::posterHeader(m_context.selection(), n, m_suffix);
    return printing::posterHeader(m_context.selection(), n, m_suffix, row, column);
}

// The assembly plan: the grid of pages with their numbers over a small copy of the
// picture, placed as the pages place it; drawn in a page-shaped picture so it fits a
// portrait page whatever the grid.
QImage PosterPage::assemblyPlanPicture(const Plan &p) const
{
    const QSize grid(p.columns * p.piece.width(), p.rows * p.piece.height());
    const QSizeF page = QSizeF(printing::kCellWidth, printing::kCellHeight)
                            .scaled(QSizeF(grid), Qt::KeepAspectRatioByExpanding);
    const double k = 1600.0 / std::max(page.width(), page.height());
    QImage picture(QSizeF(page * k).toSize(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double left = (picture.width() - grid.width() * k) / 2;
    const QSize source = p.source->size();
    const double blank = p.alignment == Alignment::Bottom ? p.rows * p.piece.height() - source.height() : 0;
    const QImage small = m_zone.quarterPreview(m_source);
    painter.drawImage(QRectF(left, blank * k, source.width() * k, source.height() * k),
                      small.isNull() ? p.source->overview() : small);

    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(std::max(8, int(std::min(p.piece.width(), p.piece.height()) * k / 3)));
    for (int row = 1; row <= p.rows; ++row)
        for (int column = 1; column <= p.columns; ++column) {
            const QRectF cell(left + (column - 1) * p.piece.width() * k, (row - 1) * p.piece.height() * k,
                              p.piece.width() * k, p.piece.height() * k);
            painter.setPen(QPen(Qt::black, 3));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell);
            QPainterPath number;
            const QString text = QString::number(printing::pageNumber(row, column, p.columns));
            const QFontMetricsF metrics(font);
            number.addText(cell.center() - QPointF(metrics.horizontalAdvance(text) / 2,
                                                   (metrics.ascent() - metrics.descent()) / -2),
                           font, text);
            painter.setPen(QPen(Qt::white, font.pixelSize() / 8.0));
            painter.drawPath(number);
            painter.fillPath(number, Qt::black);
        }
    return picture;
}

namespace {

// Cut marks: at each corner of the page's own piece, two short strokes that continue its
// edges outward, a little apart from the corner.
void drawCutMarks(QPainter &painter, const QRectF &piece, double dotsPerMm)
{
    painter.save();
    painter.setPen(QPen(Qt::black, std::max(1.0, 0.25 * dotsPerMm)));
    const double gap = 1.5 * dotsPerMm, length = 6 * dotsPerMm;
    for (const QPointF corner : {piece.topLeft(), piece.topRight(), piece.bottomLeft(), piece.bottomRight()}) {
        const double dx = corner.x() == piece.left() ? -1 : 1;
        const double dy = corner.y() == piece.top() ? -1 : 1;
        painter.drawLine(corner + QPointF(dx * gap, 0), corner + QPointF(dx * (gap + length), 0));
        painter.drawLine(corner + QPointF(0, dy * gap), corner + QPointF(0, dy * (gap + length)));
    }
    painter.restore();
}

// The marks of a page whose bitmap (the piece with `overlap` pixels on every side) was
// laid out by `page`.
void markPiece(QPainter &painter, const printing::PageLayout &page, int bitmapWidth, QSize piece, int overlap,
               double dotsPerMm)
{
    if (bitmapWidth <= 0)
        return;
    const double scale = double(page.picture.width()) / bitmapWidth;
    drawCutMarks(painter,
                 QRectF(page.picture.left() + overlap * scale, page.picture.top() + overlap * scale,
                        piece.width() * scale, piece.height() * scale),
                 dotsPerMm);
}

QSize printableSize(QPainter &painter)
{
    return {painter.device()->width(), painter.device()->height()};
}

} // namespace

bool PosterPage::paintPoster(QPrinter &printer, QPainter &painter)
{
    const Plan p = plan(printer);
    if (p.source->isNull() || p.piece.isEmpty() || p.rows <= 0 || p.columns <= 0)
        return true;
    const int dpi = printer.logicalDpiY();
    bool first = true;
    auto nextPage = [&] {
        const bool ok = first || printer.newPage();
        first = false;
        return ok;
    };
    if (p.options.assemblyPlan) {
        nextPage();
        printing::paintPage(painter, printableSize(painter), dpi, false, assemblyPlanPicture(p),
                            printing::assemblyPlanHeader(m_context.selection(), m_suffix));
    }
    for (int row = 1; row <= p.rows; ++row)
        for (int column = 1; column <= p.columns; ++column) {
            if (!nextPage())
                return false;
            const int n = printing::pageNumber(row, column, p.columns);
            const QString header = pageHeader(p, n, row, column);
            m_context.options().setPrintHeader(header);
            const QImage bitmap = pageBitmap(p, row, column);
            const printing::PageLayout l =
                printing::paintPage(painter, printableSize(painter), dpi, false, bitmap, header);
            if (p.options.cutMarks)
                markPiece(painter, l, bitmap.width(), p.piece, p.overlap, printer.logicalDpiX() / 25.4);
        }
    return true;
}

// "Imprimer": the source cut into page pieces. Into a PDF file with "Un seul fichier PDF",
// all pages go into that one file; otherwise each page is its own job through its numbered
// transfer file. A failing page ends the print there, with the error shown.
void PosterPage::onPrintClicked()
{
    OverrideCursor busy;
    const printing::TileComposition &source = m_zone.quarter(m_source);
    if (source.isNull()) {
        m_context.desktop().error(printing::emptyPictureText());
        return;
    }
    const QSize piece = printing::pieceSize(source.size(), m_box);
    if (piece.isEmpty() || m_rows <= 0 || m_columns <= 0)
        return;
    QPrinter &printer = m_printPanel.printer();
    const bool toOneFile = m_singlePdfBox->isChecked() && printer.outputFormat() == QPrinter::PdfFormat
        && !printer.outputFileName().isEmpty();
    // A quarter's pages are named apart, so that printing the four quarters to files keeps them all.
    const int quarter = m_suffix.isEmpty() ? 0 : m_source;
    if (toOneFile ? printOneFile(quarter) : printPageByPage(quarter))
        m_suffix.clear();
}

bool PosterPage::printOneFile(int quarter)
{
    QPrinter &printer = m_printPanel.printer();
    const QString chosenName = printer.outputFileName();
    if (quarter > 0) {
        const QString name = numberedPdfName(chosenName, QStringLiteral("q%1").arg(quarter));
        if (QFileInfo::exists(name)
            && !m_context.desktop().confirm(
                QStringLiteral("Ce fichier existe déjà et sera remplacé :\n%1\n\nVoulez-vous le remplacer ?")
                    .arg(QFileInfo(name).fileName()),
                QStringLiteral("Impression poster")))
            return false;
        printer.setOutputFileName(name);
    }
    m_printPanel.setPortrait(true);
    const bool printed = m_printPanel.runPrintJob(
        [this](QPrinter &target, QPainter &painter) { return paintPoster(target, painter); });
    printer.setOutputFileName(chosenName);
    return printed;
}

bool PosterPage::printPageByPage(int quarter)
{
    const Plan p = plan(m_printPanel.printer());
    if (!m_printPanel.mayReplacePosterFiles(p.rows * p.columns, quarter))
        return false;
    // The same marks as in one file, on each page of the pieces (not on the plan).
    auto printBuffer = [this, &p](const QImage &buffer, const QString &header, int n, const QString &label) {
        m_context.options().setPrintHeader(header);
        const QString path = printing::transferFile(m_context.scratchFolder(), n);
        if (!printing::writeTransfer(path, buffer)) {
            printing::removeTransfer(path);
            m_context.desktop().error(printing::cannotWrite(path));
            return false;
        }
        m_printPanel.setPortrait(true);
        m_printPanel.setPrintBitmap(printing::readTransfer(path));
        if (m_printPanel.printBitmap().isNull()) {
            printing::removeTransfer(path);
            m_context.desktop().error(printing::cannotRead(path));
            return false;
        }
        PrintPanel::PageOverlay marks;
        if (p.options.cutMarks && n > 0)
            marks = [&p](QPrinter &printer, QPainter &painter, const printing::PageLayout &page, int bitmapWidth) {
                markPiece(painter, page, bitmapWidth, p.piece, p.overlap, printer.logicalDpiX() / 25.4);
            };
        const bool printed = m_printPanel.printPage(label, marks);
        printing::removeTransfer(path);
        return printed;
    };
    if (p.options.assemblyPlan
        && !printBuffer(assemblyPlanPicture(p), printing::assemblyPlanHeader(m_context.selection(), m_suffix), 0,
                        quarter > 0 ? QStringLiteral("q%1-plan").arg(quarter) : QStringLiteral("plan")))
        return false;
    for (int row = 1; row <= p.rows; ++row) {
        for (int column = 1; column <= p.columns; ++column) {
            const int n = printing::pageNumber(row, column, p.columns);
            if (!printBuffer(pageBitmap(p, row, column), pageHeader(p, n, row, column), n, posterPageLabel(n, quarter)))
                return false;
        }
    }
    return true;
}

// "Aperçu avant impression": Qt's preview of the very pages "Imprimer" prints.
void PosterPage::onPreviewClicked()
{
    if (m_zone.quarter(m_source).isNull()) {
        m_context.desktop().error(printing::emptyPictureText());
        return;
    }
    m_printPanel.setPortrait(true);
    // Painting sets each page's header; the preview leaves the header as it found it.
    const QString header = m_context.options().printHeader();
    m_printPanel.openPreview([this, header](QPrinter &target, QPainter &painter) {
        paintPoster(target, painter);
        m_context.options().setPrintHeader(header);
    });
}

void PosterPage::leavePage()
{
    m_sizePreview->setPicture(QImage());
    m_zone.clearCompositions();
    m_printButton->setEnabled(false);
    m_previewButton->setEnabled(false);
    setQuarterButtonsEnabled(false);
}
