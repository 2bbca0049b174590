#include "print/PosterPage.h"
#include "app/AppContext.h"
#include "app/Controls.h"
#include "platform/Desktop.h"
#include "print/PrintPanel.h"
#include "print/PrintZonePage.h"
#include "print/TransferFile.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

using controls::button;
using controls::named;
using printing::Alignment;

namespace {

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// One paper cell of the grid: white with a black outline.
class PaperCell : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// BoxA4: its picture stretched to fit with its proportions kept, from the top-left corner.
class FitPicture : public QWidget {
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

} // namespace

PosterPage::PosterPage(AppContext &context, PrintZonePage &zone, PrintPanel &printPanel, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet7"), parent), m_zone(zone), m_printPanel(printPanel)
{
    Bevel1 = named(new QFrame(this), QStringLiteral("Bevel1"), QRect(20, 21, 377, 355));
    static_cast<QFrame *>(Bevel1)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
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

    BoxA4 = named(new FitPicture(this), QStringLiteral("BoxA4"), QRect(24, 25, 368, 347),
                  QStringLiteral("Aperçu de la taille d'impression en nombre de feuilles"));
    BoxA4->setAccessibleName(QStringLiteral("Aperçu de la taille d'impression en nombre de feuilles"));
    BoxA4->raise();

    spSkinGroupBox13 = controls::group(this, QStringLiteral("spSkinGroupBox13"),
                                       QStringLiteral("Impression d'une carte entière par quarts"),
                                       QRect(424, 24, 233, 105));
    spSkinButton36 = button(spSkinGroupBox13, QStringLiteral("spSkinButton36"), QStringLiteral("Quart 1"),
                            QRect(39, 33, 75, 25), QStringLiteral("Impression du quart supérieur gauche"));
    spSkinButton43 = button(spSkinGroupBox13, QStringLiteral("spSkinButton43"), QStringLiteral("Quart 2"),
                            QRect(119, 33, 75, 25), QStringLiteral("Impression du quart supérieur droit"));
    spSkinButton44 = button(spSkinGroupBox13, QStringLiteral("spSkinButton44"), QStringLiteral("Quart 3"),
                            QRect(39, 65, 75, 25), QStringLiteral("Impression du quart inférieur gauche"));
    spSkinButton45 = button(spSkinGroupBox13, QStringLiteral("spSkinButton45"), QStringLiteral("Quart 4"),
                            QRect(119, 65, 75, 25), QStringLiteral("Impression du quart inférieur droit"));
    const QPushButton *quarters[] = {spSkinButton36, spSkinButton43, spSkinButton44, spSkinButton45};
    for (int q = 1; q <= 4; ++q)
        connect(quarters[q - 1], &QPushButton::clicked, this, [this, q] { quarterClick(q); });
    setQuarterButtonsEnabled(false);

    spSkinRadioGroup3 = named(new RadioGroup(QStringLiteral("Alignement de l'impression"),
                                             {QStringLiteral("    Alignement sur le haut de la page."),
                                              QStringLiteral("    Alignement sur le bas de la page.")},
                                             this),
                              QStringLiteral("spSkinRadioGroup3"), QRect(424, 152, 233, 65));
    spSkinRadioGroup3->setItemIndex(0);
    connect(spSkinRadioGroup3, &RadioGroup::clicked, this, &PosterPage::spSkinRadioGroup3Click);

    spSkinGroupBox14 = controls::group(this, QStringLiteral("spSkinGroupBox14"),
                                       QStringLiteral("Impression multi-pages"), QRect(424, 240, 233, 134));
    spSkinStatusPanel2 = controls::label(spSkinGroupBox14, QStringLiteral("spSkinStatusPanel2"),
                                         QStringLiteral("Nombre de pages à définir."), QRect(28, 32, 177, 25));
    spSkinStatusPanel2->setAlignment(Qt::AlignCenter);
    spSkinStatusPanel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    spSkinTrackBar1 = named(new QSlider(Qt::Horizontal, spSkinGroupBox14), QStringLiteral("spSkinTrackBar1"),
                            QRect(52, 61, 129, 20), QStringLiteral("Définir le nombre de feuilles à utiliser"));
    spSkinTrackBar1->setAccessibleName(QStringLiteral("Nombre de feuilles"));
    spSkinTrackBar1->setRange(1, 9);
    spSkinTrackBar1->setValue(1);
    spSkinTrackBar1->setPageStep(1);
    spSkinTrackBar1->setTickPosition(QSlider::TicksBelow);
    connect(spSkinTrackBar1, &QSlider::valueChanged, this, &PosterPage::spSkinTrackBar1Change);
    spSkinButton39 = button(spSkinGroupBox14, QStringLiteral("spSkinButton39"), QStringLiteral("Imprimer"),
                            QRect(52, 96, 129, 25), QStringLiteral("Lance l'impression"));
    spSkinButton39->setEnabled(false);
    connect(spSkinButton39, &QPushButton::clicked, this, &PosterPage::spSkinButton39Click);

    connect(&m_zone, &PrintZonePage::quartersAvailable, this, &PosterPage::setQuarterButtonsEnabled);
}

void PosterPage::onShow()
{
    const SelectionState &s = m_context.selection;
    setCaptionAndNumber(QStringLiteral("Impression de la Carte n° ") + s.sheetNumber + s.folderSuffix
                            + QStringLiteral(" ( ") + s.editionFolder + QStringLiteral(" )"),
                        7);
}

void PosterPage::setQuarterButtonsEnabled(bool enabled)
{
    for (QPushButton *b : {spSkinButton36, spSkinButton43, spSkinButton44, spSkinButton45})
        b->setEnabled(enabled);
}

void PosterPage::showSource(int quarter)
{
    static_cast<FitPicture *>(BoxA4)->setPicture(m_zone.quarterPreview(quarter));
}

void PosterPage::setAlignment(Alignment alignment)
{
    m_alignment = alignment;
    spSkinRadioGroup3->setItemIndex(int(alignment));
}

// The page box for a slider value. BoxA4 takes both of its sides, so the preview always
// shows the picture at the size it will print.
void PosterPage::computePageBox(int value)
{
    m_box = printing::pageBox(value, m_zone.compositionSize());
    BoxA4->resize(m_box);
}

void PosterPage::CountPosterPages()
{
    m_columns = printing::posterColumns(m_box.width());
    m_rows = printing::posterRows(m_box.height());
    spSkinStatusPanel2->setText(printing::pageCountText(m_rows, m_columns));
}

void PosterPage::spSkinButton28Click()
{
    spSkinButton39->setEnabled(true);
    static_cast<FitPicture *>(BoxA4)->setPicture(QImage());
    m_box = QSize(0, 0);
    const int maximum = printing::sliderMaximum(m_zone.compositionSize());
    {
        const QSignalBlocker block(spSkinTrackBar1);
        spSkinTrackBar1->setRange(1, maximum);
    }
    computePageBox(spSkinTrackBar1->value());
    if (spSkinTrackBar1->value() != maximum)
        spSkinTrackBar1->setValue(maximum);   // runs the slider's change
    showSource(1);
    setAlignment(Alignment::Bottom);
    m_source = 1;
    CountPosterPages();
}

void PosterPage::spSkinTrackBar1Change()
{
    computePageBox(spSkinTrackBar1->value());
    CountPosterPages();
}

void PosterPage::quarterClick(int quarter)
{
    showSource(quarter);
    m_source = quarter;
    m_suffix = printing::quarterSuffix(quarter);
    setAlignment(quarter <= 2 ? Alignment::Bottom : Alignment::Top);
    CountPosterPages();
}

void PosterPage::spSkinRadioGroup3Click()
{
    m_alignment = spSkinRadioGroup3->itemIndex() == 0 ? Alignment::Top : Alignment::Bottom;
}

// PrintPoster: the source cut into page pieces, each printed as its own job through its
// numbered transfer file. A failing page ends the print there, with the error shown.
void PosterPage::spSkinButton39Click()
{
    BusyCursor busy;
    const printing::TileComposition &source = m_zone.quarter(m_source);
    if (source.isNull()) {
        m_context.desktop().error(QStringLiteral("L'image à imprimer est vide."));
        return;
    }
    const QSize piece = printing::pieceSize(source.size(), m_box);
    if (piece.isEmpty() || m_rows <= 0 || m_columns <= 0)
        return;
    // A quarter's pages are named apart, so that printing the four quarters to files keeps them all.
    const int quarter = m_suffix.isEmpty() ? 0 : m_source;
    if (!m_printPanel.mayReplacePosterFiles(m_rows * m_columns, quarter))
        return;
    for (int row = 1; row <= m_rows; ++row) {
        for (int column = 1; column <= m_columns; ++column) {
            const int n = printing::pageNumber(row, column, m_columns);
            const QImage buffer = source.render(
                printing::pieceRect(row, column, m_rows, piece, source.size(), m_alignment));
            m_printPanel.spSkinEdit7->setText(printing::posterHeader(m_context.selection, n, m_suffix));
            const QString path = printing::transferFile(m_context.scratchFolder(), n);
            if (!printing::writeTransfer(path, buffer)) {
                printing::removeTransfer(path);
                m_context.desktop().error(printing::cannotWrite(path));
                return;
            }
            m_printPanel.setPortrait(true);
            m_printPanel.setPrintBitmap(printing::readTransfer(path));
            if (m_printPanel.printBitmap().isNull()) {
                printing::removeTransfer(path);
                m_context.desktop().error(printing::cannotRead(path));
                return;
            }
            const bool printed = m_printPanel.PrintPage(n, quarter);
            printing::removeTransfer(path);
            if (!printed)
                return;
        }
    }
    m_suffix.clear();
}

void PosterPage::spSkinTabSheet7Exit()
{
    static_cast<FitPicture *>(BoxA4)->setPicture(QImage());
    m_zone.clearCompositions();
    spSkinButton39->setEnabled(false);
    setQuarterButtonsEnabled(false);
}
