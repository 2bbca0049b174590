#include "print/PrintZonePage.h"
#include "imaging/PictureMemory.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "print/PaperCell.h"
#include "print/PosterLayout.h"
#include "print/PrintPanel.h"
#include "print/ZonePicture.h"
#include "print/ZoneRules.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
#include <QComboBox>
#include <QRegion>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>

using controls::button;
using controls::named;

namespace {

constexpr int kPreviewSide = 177;

QComboBox *letterPicker(QWidget *parent, const QString &name, const QRect &bounds, int initial)
{
    auto *box = named(new QComboBox(parent), name, bounds);
    for (char c = 'A'; c <= 'Z'; ++c)
        box->addItem(QString(QChar(c)));
    box->setMaxVisibleItems(8);
    // A list of 8 letters that scrolls, in every style (some would show all 26 past the window).
    box->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    box->setCurrentIndex(initial);
    return box;
}

// A sheet of paper showing a sketch of a map: its caption and five red squares along the
// top-left corner. No behaviour.
class SheetSketch : public PaperCell {
public:
    explicit SheetSketch(QWidget *parent) : PaperCell(parent) { setAccessibleName(QStringLiteral("Carte")); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        paintPaper(p);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Carte"));
        p.setPen(QColor(255, 0, 0));
        p.setBrush(QColor(255, 0, 0));
        for (QPoint at : {QPoint(0, 0), QPoint(9, 0), QPoint(18, 0), QPoint(0, 9), QPoint(0, 18)})
            p.drawRect(QRect(at, QSize(9, 9)));
    }
};

} // namespace

PrintZonePage::PrintZonePage(AppContext &context, PrintPanel &printPanel, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet6"), parent), m_printPanel(printPanel)
{
    m_scrollBox = named(new QScrollArea(this), QStringLiteral("ScrollBox2"), QRect(16, 16, 361, 409));
    m_scrollBox->setWidgetResizable(false);
    m_scrollBox->setBackgroundRole(QPalette::Base);
    m_scrollBox->setStyleSheet(QStringLiteral("QScrollArea { background: white; }"));
    m_quarterPanel = named(new QWidget, QStringLiteral("PanelQuart"), QRect(0, 0, 361, 393));
    m_quarterPanel->setAutoFillBackground(true);
    QPalette white = m_quarterPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_quarterPanel->setPalette(white);
    m_scrollBox->setWidget(m_quarterPanel);

    const QString dragHint = QStringLiteral("Aperçu de la zone à imprimer déplaçable à la souris");
    const QRect initial[] = {{0, 0, 161, 201}, {168, 0, 153, 201}, {0, 208, 161, 177}, {168, 208, 153, 177}};
    for (int i = 0; i < 4; ++i) {
        m_quarterPictures[i] =
            named(new ZonePicture(m_quarterPanel), QStringLiteral("Quart%1").arg(i + 1), initial[i], dragHint);
        m_quarterPictures[i]->setAccessibleName(QStringLiteral("Quart%1").arg(i + 1));
        connect(m_quarterPictures[i], &ZonePicture::pressed, this, &PrintZonePage::onPictureMousePressed);
        connect(m_quarterPictures[i], &ZonePicture::moved, this, &PrintZonePage::onPictureMouseMoved);
        connect(m_quarterPictures[i], &ZonePicture::released, this, &PrintZonePage::onPictureMouseReleased);
    }

    QGroupBox *overviewGroup = controls::group(this, QStringLiteral("GroupBoxApercu"), QStringLiteral("Aperçu"),
                                               QRect(384, 16, 273, 210));
    m_overviewLabel = controls::label(overviewGroup, QStringLiteral("VueFinale"), QString(),
                                      QRect(48, 27, kPreviewSide, kPreviewSide),
                                      QStringLiteral("Aperçu de la zone à imprimer"));
    m_overviewLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_overviewLabel->setAccessibleName(QStringLiteral("Aperçu de la zone à imprimer"));
    m_overviewSizeLabel = controls::label(overviewGroup, QStringLiteral("VueImpression"), QString(), QRect());
    m_overviewSizeLabel->hide();
    m_tileSizeLabel = controls::label(overviewGroup, QStringLiteral("Tampon"), QString(), QRect(0, 0, 105, 113));
    m_tileSizeLabel->hide();

    QGroupBox *zoneGroup = controls::group(this, QStringLiteral("spSkinGroupBox4"),
                                           QStringLiteral("Sélection de la zone à imprimer"), QRect(384, 234, 273, 127));
    m_firstColumnBox = letterPicker(zoneGroup, QStringLiteral("spSkinComboBox5"), QRect(59, 34, 41, 21), 0);
    m_lastColumnBox = letterPicker(zoneGroup, QStringLiteral("spSkinComboBox3"), QRect(106, 34, 41, 21), 13);
    m_firstRowBox = letterPicker(zoneGroup, QStringLiteral("spSkinComboBox6"), QRect(16, 58, 41, 21), 0);
    m_lastRowBox = letterPicker(zoneGroup, QStringLiteral("spSkinComboBox4"), QRect(16, 94, 41, 21), 13);
    m_firstColumnBox->setAccessibleName(QStringLiteral("Première colonne"));
    m_lastColumnBox->setAccessibleName(QStringLiteral("Dernière colonne"));
    m_firstRowBox->setAccessibleName(QStringLiteral("Première ligne"));
    m_lastRowBox->setAccessibleName(QStringLiteral("Dernière ligne"));
    for (auto [first, last] : {std::pair{m_firstColumnBox, m_lastColumnBox}, std::pair{m_firstRowBox, m_lastRowBox}}) {
        connect(first, &QComboBox::activated, this, [this, first, last] { onPickerChosen(first, last, true); });
        connect(last, &QComboBox::activated, this, [this, first, last] { onPickerChosen(first, last, false); });
    }
    named(new SheetSketch(zoneGroup), QStringLiteral("Panel2"), QRect(59, 58, 69, 57));

    m_zoneButton = button(zoneGroup, QStringLiteral("spSkinButton10"), QStringLiteral("Zone"),
                          QRect(163, 46, 93, 25), QStringLiteral("Prépare et affiche la zone à imprimer"));
    m_wholeSheetButton = button(zoneGroup, QStringLiteral("spSkinButton50"), QStringLiteral("Carte entière"),
                                QRect(163, 80, 93, 25),
                                QStringLiteral("Prépare l'impression des 4 quarts de la carte "));
    m_printOnePageButton = button(this, QStringLiteral("spSkinButton38"), QStringLiteral("Imprimer sur 1 feuille"),
                                  QRect(395, 384, 125, 25), QStringLiteral("Imprime sur une seule feuille"));
    m_posterButton = button(this, QStringLiteral("spSkinButton28"), QStringLiteral("Imprimer sur X feuilles"),
                            QRect(527, 384, 125, 25), QStringLiteral("Lance la préparation de l'impression"));
    m_printOnePageButton->setEnabled(false);
    m_posterButton->setEnabled(false);
    connect(m_zoneButton, &QPushButton::clicked, this, &PrintZonePage::onZoneClicked);
    connect(m_wholeSheetButton, &QPushButton::clicked, this, &PrintZonePage::onWholeSheetClicked);
    connect(m_printOnePageButton, &QPushButton::clicked, this, &PrintZonePage::onPrintOnePageClicked);
    connect(m_posterButton, &QPushButton::clicked, this, &PrintZonePage::posterRequested);

    connect(&m_context, &AppContext::downloadRunningChanged, this, &PrintZonePage::onDownloadRunning);
    captionFollowsSelection([this] { return selectionCaption(); });
}

QString PrintZonePage::selectionCaption() const
{
    return QStringLiteral("Choix d'une zone à imprimer - ") + m_context.selection().sheetCaption();
}

void PrintZonePage::onShow()
{
    setCaption(selectionCaption());
    if (!m_context.downloadRunning()) {
        m_zoneButton->setEnabled(true);
        m_wholeSheetButton->setEnabled(true);
    }
    keepPickersInGrid();
}

void PrintZonePage::keepPickersInGrid()
{
    const QSize grid = m_context.selectedTileGrid();
    const auto keep = [](QComboBox *firstBox, QComboBox *lastBox, int count) {
        for (QComboBox *box : {firstBox, lastBox})
            if (auto *model = qobject_cast<QStandardItemModel *>(box->model()))
                for (int i = 0; i < model->rowCount(); ++i)
                    model->item(i)->setEnabled(i < count);
        const printing::Span s = printing::withinCount({firstBox->currentIndex(), lastBox->currentIndex()}, count);
        firstBox->setCurrentIndex(s.first);
        lastBox->setCurrentIndex(s.last);
    };
    keep(m_firstColumnBox, m_lastColumnBox, grid.width());
    keep(m_firstRowBox, m_lastRowBox, grid.height());
}

void PrintZonePage::onDownloadRunning(bool running)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_firstColumnBox, m_lastColumnBox, m_firstRowBox,
                                                       m_lastRowBox, m_zoneButton, m_wholeSheetButton})
        w->setEnabled(!running);
}

printing::TileComposition PrintZonePage::composeTiles(const QRect &cells)
{
    printing::TileComposition composition = measureTiles(cells);
    drawOverview(composition);
    return composition;
}

printing::TileComposition PrintZonePage::measureTiles(const QRect &cells)
{
    printing::TileComposition composition = printing::TileComposition::measure(m_context.selectedMapFolder(), cells);
    if (!composition.isNull())
        m_tileSize = composition.tileSize();
    m_tileSizeLabel->resize(m_tileSize);
    return composition;
}

void PrintZonePage::drawOverview(printing::TileComposition &composition, QImage *canvas, QPoint at,
                                 bool whiteWhereNoTile)
{
    ProgressGauge &gauge = m_context.statusGauge();
    gauge.start(std::max(1, composition.cellCount()));
    composition.drawOverview([&gauge](int tiles) { gauge.setProgress(gauge.progress() + tiles); }, canvas, at,
                             whiteWhereNoTile);
    gauge.stop();
}

void PrintZonePage::placeQuarter(int index, QPoint at)
{
    const printing::TileComposition &c = m_quarters[index];
    m_quarterPictures[index]->setComposition(c.isNull() ? nullptr : &c);
    m_quarterPictures[index]->setGeometry(QRect(at, c.size()));
}

void PrintZonePage::showOverview()
{
    m_overviewSizeLabel->resize(m_overview.size());
    const QImage fitted = m_overview.isNull()
        ? QImage()
        : m_overview.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_overviewLabel->setPixmap(QPixmap::fromImage(fitted));
    m_posterButton->setEnabled(true);
    m_printOnePageButton->setEnabled(true);
}

// "Zone": the picked rectangle of tiles into Quart1, its overview beside it.
void PrintZonePage::onZoneClicked()
{
    OverrideCursor busy;
    m_overview = QImage();
    const QRect cells(QPoint(m_firstColumnBox->currentIndex(), m_firstRowBox->currentIndex()),
                      QPoint(m_lastColumnBox->currentIndex(), m_lastRowBox->currentIndex()));
    const int columns = cells.width();
    const int rows = cells.height();

    // Pictures of an earlier "Carte entière" would overlap the zone: they go.
    for (int i = 0; i < 4; ++i) {
        m_quarters[i].clear();
        placeQuarter(i, QPoint(0, 0));
    }
    if (columns > 0 && rows > 0)
        m_quarters[0] = composeTiles(cells);
    placeQuarter(0, QPoint(0, 0));
    m_quarterPanel->resize(m_tileSize.width() * columns, m_tileSize.height() * rows);

    const QSize overviewSize(m_quarterPanel->width() / 4, m_quarterPanel->height() / 4);
    if (m_quarters[0].isNull() || m_quarters[0].overview().size() != overviewSize) {
        m_overview = imaging::uninitialisedPicture(overviewSize, QImage::Format_RGB32);
        m_overview.fill(Qt::white);
        if (!m_quarters[0].isNull()) {
            QPainter p(&m_overview);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(m_overview.rect(), m_quarters[0].overview());
        }
    } else {
        m_overview = m_quarters[0].overview();
    }
    m_quadrants = {QRect(QPoint(0, 0), overviewSize), QRect(), QRect(), QRect()};
    showOverview();
    emit quartersAvailable(false);
}

// "Carte entière": the four quarters of 13 x 13 tiles side by side, and the overview of
// the whole sheet made of theirs. A sheet whose tiles fill a smaller grid (served by IIIF)
// is cut the same way at the middle of its grid.
void PrintZonePage::onWholeSheetClicked()
{
    emit quartersAvailable(true);
    OverrideCursor busy;
    m_overview = QImage();
    const QSize grid = m_context.selectedTileGrid();
    const int columns = grid.width(), rows = grid.height();
    const int halfColumns = (columns + 1) / 2, halfRows = (rows + 1) / 2;   // 13 of 26
    const QRect parts[4] = {QRect(0, 0, halfColumns, halfRows),
                            QRect(halfColumns, 0, columns - halfColumns, halfRows),
                            QRect(0, halfRows, halfColumns, rows - halfRows),
                            QRect(halfColumns, halfRows, columns - halfColumns, rows - halfRows)};
    for (int i = 0; i < 4; ++i) {
        m_quarters[i].clear();
        placeQuarter(i, QPoint(0, 0));
        if (!parts[i].isEmpty())   // a sheet of one column has no right half
            m_quarters[i] = measureTiles(parts[i]);
        QPoint at;
        switch (i) {
        case 1: at = QPoint(m_quarterPictures[0]->width(), 0); break;
        case 2: at = QPoint(0, m_quarterPictures[0]->height()); break;
        case 3: at = QPoint(m_quarterPictures[2]->width(), m_quarterPictures[1]->height()); break;
        default: break;
        }
        placeQuarter(i, at);
    }
    m_quarterPanel->resize(columns * m_tileSize.width(), rows * m_tileSize.height());

    m_overview = imaging::uninitialisedPicture(QSize(m_quarterPanel->width() / 4, m_quarterPanel->height() / 4),
                                               QImage::Format_RGB32);
    const int cw = m_overview.width() / columns;
    const int ch = m_overview.height() / rows;
    const int left = halfColumns * cw, top = halfRows * ch;
    const int right = (columns - halfColumns) * cw, bottom = (rows - halfRows) * ch;
    m_quadrants = {QRect(0, 0, left, top), QRect(left, 0, right, top), QRect(0, top, left, bottom),
                   QRect(left, top, right, bottom)};
    // Each quarter is drawn straight into its place in the sheet's overview when it has the
    // place's size (tiles of one size); else into a picture of its own, fitted to its place.
    // What no quarter covers is white.
    QRegion blank(m_overview.rect());
    for (int i = 0; i < 4; ++i) {
        printing::TileComposition &quarter = m_quarters[i];
        if (quarter.isNull())
            continue;
        const QSize own(quarter.size().width() / 4, quarter.size().height() / 4);
        if (own == m_quadrants[i].size() && !m_overview.isNull()) {
            drawOverview(quarter, &m_overview, m_quadrants[i].topLeft(), true);
            blank -= m_quadrants[i];
            continue;
        }
        drawOverview(quarter);
        if (!quarter.isNull() && !m_overview.isNull()) {
            QPainter p(&m_overview);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(m_quadrants[i], quarter.overview());
            blank -= m_quadrants[i];
        }
        quarter.dropOverview();   // the sheet's overview holds it now
    }
    if (!m_overview.isNull() && !blank.isEmpty()) {
        QPainter p(&m_overview);
        for (const QRect &r : blank)
            p.fillRect(r, Qt::white);
    }
    showOverview();
}

void PrintZonePage::onPrintOnePageClicked()
{
    OverrideCursor busy;
    m_printPanel.printImage(m_overview, m_context.selection().sheetCaption());
}

QSize PrintZonePage::compositionSize() const
{
    return m_quarterPanel->size();
}

QImage PrintZonePage::quarterPreview(int index) const
{
    const QRect r = m_quadrants.at(index - 1);
    if (m_overview.isNull() || r.isEmpty() || m_quarters.at(index - 1).isNull())
        return {};
    return m_overview.copy(r);
}

void PrintZonePage::dropCompositions()
{
    for (int i = 0; i < 4; ++i) {
        m_quarters[i].clear();
        m_quarterPictures[i]->setComposition(nullptr);
    }
    m_overview = QImage();
    m_quadrants = {};
    m_overviewLabel->clear();
    m_printOnePageButton->setEnabled(false);
    m_posterButton->setEnabled(false);
}

void PrintZonePage::clearCompositions()
{
    dropCompositions();
    m_overviewSizeLabel->resize(0, 0);
}

void PrintZonePage::discardComposition()
{
    m_quarters[0].clear();
    m_quarterPictures[0]->setComposition(nullptr);
    m_posterButton->setEnabled(false);
}

// A new zone makes the composed pictures stale: they are cleared, and so that nothing
// other than what is shown can be printed, both print buttons wait for the next composition.
void PrintZonePage::clearForNewZone()
{
    dropCompositions();
    m_zoneButton->setEnabled(true);
    emit quartersAvailable(false);
}

void PrintZonePage::onPickerChosen(QComboBox *first, QComboBox *last, bool firstMoved)
{
    clearForNewZone();
    const printing::Span span{first->currentIndex(), last->currentIndex()};
    const printing::Span s = firstMoved ? printing::firstChanged(span, span.first)
                                        : printing::lastChanged(span, span.last);
    first->setCurrentIndex(s.first);
    last->setCurrentIndex(s.last);
    keepPickersInGrid();
}

void PrintZonePage::onPictureMousePressed(QPoint globalPosition)
{
    m_dragging = true;
    m_dragCursor.emplace(Qt::DragMoveCursor);
    m_dragStart = globalPosition;
    m_dragH = m_scrollBox->horizontalScrollBar()->value();
    m_dragV = m_scrollBox->verticalScrollBar()->value();
}

void PrintZonePage::onPictureMouseMoved(QPoint globalPosition)
{
    if (!m_dragging)
        return;
    m_scrollBox->horizontalScrollBar()->setValue(m_dragH + m_dragStart.x() - globalPosition.x());
    m_scrollBox->verticalScrollBar()->setValue(m_dragV + m_dragStart.y() - globalPosition.y());
    m_scrollBox->viewport()->update();
}

void PrintZonePage::onPictureMouseReleased()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    m_dragCursor.reset();
}
