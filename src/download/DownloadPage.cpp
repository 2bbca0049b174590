#include "download/DownloadPage.h"
#include "widgets/LetterPicker.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "source/MapReader.h"
#include "source/SourceKind.h"
#include "download/ReadingProgress.h"
#include "net/PacedFetcher.h"
#include "imaging/Jpeg.h"
#include "platform/Desktop.h"
#include "store/TileStore.h"
#include "widgets/CheckBox.h"
#include "widgets/OverrideCursor.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

using controls::named;
using download::Picker;

namespace {

const QString kAddressCaption = QStringLiteral("Adresse en ligne de la carte");

const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");

QComboBox *picker(QWidget *parent, const QString &name, const QRect &bounds, const QString &accessibleName,
                  int index)
{
    auto *box = named(new LetterPicker(parent), name, bounds);
    for (const QChar c : kLetters)
        box->addItem(QString(c));
    box->setEditable(false);
    box->setCurrentIndex(index);
    box->setAccessibleName(accessibleName);
    return box;
}

void makeWhite(QWidget *w)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(p);
}
} // namespace

DownloadPage::DownloadPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet4"), parent)
{
    m_engine = new DownloadEngine(m_context, m_list, this);
    m_tileThrottle = new QTimer(this);
    m_tileThrottle->setSingleShot(true);
    m_tileThrottle->setInterval(100);
    connect(m_tileThrottle, &QTimer::timeout, this, &DownloadPage::drawPendingTile);

    auto *tileFrame = named(new QFrame(this), QStringLiteral("Panel4"), QRect(42, 8, 100, 100));
    tileFrame->setFrameShape(QFrame::Panel);
    makeWhite(tileFrame);
    m_lastTileLabel = named(new QLabel(tileFrame), QStringLiteral("Telimage"), QRect(5, 5, 90, 90));
    m_lastTileLabel->setAlignment(Qt::AlignCenter);
    m_lastTileLabel->setAccessibleName(QStringLiteral("Dernière image reçue"));

    m_openFolderButton = controls::button(this, QStringLiteral("spSkinButton54"),
                                          QStringLiteral("Ouvrir le dossier des images"), QRect(176, 48, 169, 25));
    m_openFolderButton->setEnabled(false);
    m_iiifAddressButton = controls::button(
        this, QStringLiteral("AdresseIiif"), kAddressCaption, QRect(176, 78, 169, 25),
        QStringLiteral("Télécharger la carte sélectionnée depuis un serveur en ligne (%1)")
            .arg(source::addableKinds(source::KindListing::Labels)));
    // Its own fetcher: the end of a run cancels the run's requests, never a reading.
    auto *addressFetcher = new PacedFetcher(this);
    addressFetcher->setHostLimit([this](const QString &host) { return m_context.requestLimitFor(host); });
    m_reader = new source::MapReader(*addressFetcher, this);
    new ReadingProgress(*m_reader, kAddressCaption, this);
    m_reader->setChooser([this](const QString &title, const QStringList &entries) {
        return m_context.desktop().chooseItem(kAddressCaption, source::collectionPrompt(title, int(entries.size())),
                                              entries);
    });

    auto *listGroup = controls::group(this, QStringLiteral("spSkinGroupBox6"),
                                      QStringLiteral("Liste des images de la carte à télécharger"),
                                      QRect(14, 112, 369, 313));
    m_listView = named(new QTreeView(listGroup), QStringLiteral("spSkinListView1"), QRect(8, 30, 339, 273),
                       QStringLiteral("Renseignements sur le téléchargement en cours..."));
    m_listView->setModel(&m_list);
    m_listView->setRootIsDecorated(false);
    m_listView->setUniformRowHeights(true);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setAccessibleName(QStringLiteral("Liste des images"));
    m_listView->setStyleSheet(QStringLiteral("QTreeView { background: white; gridline-color: #c0c0c0; }"
                                             "QTreeView::item { border-bottom: 1px solid #d8d8d8; "
                                             "border-right: 1px solid #d8d8d8; }"));
    // The two columns fill the room beside the vertical bar: the second takes what the first leaves.
    m_listView->header()->setStretchLastSection(true);
    m_listView->header()->resizeSection(0, 140);
    m_listView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    buildPickers();

    auto *connectionGroup = controls::group(this, QStringLiteral("spSkinGroupBox20"),
                                            QStringLiteral(" Connexion à internet"), QRect(392, 192, 271, 113));
    m_connectionStatusEdit = named(new QLineEdit(QStringLiteral("Déconnecté"), connectionGroup),
                                   QStringLiteral("spSkinEdit3"), QRect(8, 32, 257, 20));
    m_connectionStatusEdit->setReadOnly(true);
    m_connectionStatusEdit->setAlignment(Qt::AlignCenter);
    m_connectionStatusEdit->setAccessibleName(QStringLiteral("État de la connexion"));
    m_autoHangUpBox = controls::checkBox(connectionGroup, QStringLiteral("spSkinCheckRadioBox2"), QStringLiteral(" Déconnexion automatique"),
                                         QRect(77, 57, 150, 23),
                                         QStringLiteral("Déconnexion automatique en fin de téléchargement"));
    m_autoConnectBox = controls::checkBox(connectionGroup, QStringLiteral("spSkinCheckRadioBox1"), QStringLiteral(" Connexion automatique"),
                                          QRect(77, 80, 150, 23),
                                          QStringLiteral("Connexion sans demande des identifiants"));

    auto *progressGroup = controls::group(this, QStringLiteral("spSkinGroupBox3"),
                                          QStringLiteral("Progression du téléchargement"), QRect(392, 320, 273, 105));
    m_listGauge = named(new QProgressBar(progressGroup), QStringLiteral("spSkinGauge3"), QRect(8, 27, 257, 23));
    m_listGauge->setRange(0, store::kTileCount);
    m_listGauge->setValue(0);
    m_listGauge->setFormat(QStringLiteral("Téléchargement de la liste = %p%"));
    m_listGauge->setTextVisible(true);
    m_downloadButton = controls::button(progressGroup, QStringLiteral("spSkinButton31"), QStringLiteral("Télécharger"),
                                        QRect(36, 66, 90, 25),
                                        QStringLiteral("Lance la connexion et télécharge les images de la liste"));
    m_downloadButton->setEnabled(false);
    m_stopButton = controls::button(progressGroup, QStringLiteral("spSkinButton9"), QStringLiteral("Arrêter"),
                                    QRect(139, 66, 90, 25), QStringLiteral("Stoppe le téléchargement"));
    m_stopButton->setEnabled(false);

    followSharedOptions();
    connect(m_openFolderButton, &QPushButton::clicked, this, &DownloadPage::onOpenFolderClicked);
    connect(m_buildListButton, &QPushButton::clicked, this, &DownloadPage::onBuildListClicked);
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadPage::onDownloadClicked);
    connect(m_stopButton, &QPushButton::clicked, m_engine, &DownloadEngine::stop);
    connect(m_iiifAddressButton, &QPushButton::clicked, this, &DownloadPage::onIiifAddressClicked);
    connect(m_reader, &source::MapReader::done, this,
            [this](const QString &title, const QList<source::SheetSource> &sheets, source::Kind kind) {
        m_readingCursor.reset();
        m_iiifAddressButton->setEnabled(!m_context.downloadRunning());
        const QString caption = kAddressCaption;
        m_context.addedMaps().setSheet(m_addressSheet, sheets.first(), title);
        if (!m_context.saveAddedMaps()) {
            m_context.desktop().error(QStringLiteral("Enregistrement impossible : ")
                                      + catalogue::AddedMaps::filePath(m_context.mapsRoot()));
            return;
        }
        const QSize size = sheets.first().size;
        m_context.desktop().message(title + u'\n' + source::kindLabel(kind)
                                        + QStringLiteral(" : %1 x %2 pixels").arg(size.width()).arg(size.height()),
                                    caption);
    });
    connect(m_reader, &source::MapReader::failed, this, [this](const QString &text) {
        m_readingCursor.reset();
        m_iiifAddressButton->setEnabled(!m_context.downloadRunning());
        m_context.desktop().error(text);
    });
    connect(m_reader, &source::MapReader::stopped, this, [this] {
        m_readingCursor.reset();
        m_iiifAddressButton->setEnabled(!m_context.downloadRunning());
    });

    connect(m_engine, &DownloadEngine::statusTextChanged, this, [this](const QString &text) {
        m_connectionStatusEdit->clear();
        m_connectionStatusEdit->setText(text);
    });
    connect(m_engine, &DownloadEngine::captionChanged, this, &Page::captionChanged);
    connect(m_engine, &DownloadEngine::gaugeChanged, this,
            [this](int value) { m_listGauge->setValue(qMin(value, m_listGauge->maximum())); });
    connect(m_engine, &DownloadEngine::currentRowChanged, this, [this](int row) {
        if (row > 5)
            m_listView->scrollTo(m_list.index(row, 0), QAbstractItemView::EnsureVisible);
    });
    connect(m_engine, &DownloadEngine::tileShown, this, &DownloadPage::showTile);
    connect(&m_context, &AppContext::downloadRunningChanged, this, &DownloadPage::setRunControls);
    // A running download's caption names its own sheet.
    captionFollowsSelection([this] { return m_context.downloadRunning() ? QString() : selectionCaption(); });
}

DownloadPage::~DownloadPage() = default;

void DownloadPage::buildPickers()
{
    auto *pickerGroup = controls::group(this, QStringLiteral("spSkinGroupBox2"),
                                        QStringLiteral("Sélection des images à télécharger"), QRect(392, 10, 273, 167));
    m_firstColumnPicker = picker(pickerGroup, QStringLiteral("spSkinComboBox7"), QRect(108, 32, 41, 19),
                                 QStringLiteral("Première colonne"), 0);
    m_lastColumnPicker = picker(pickerGroup, QStringLiteral("spSkinComboBox1"), QRect(166, 32, 41, 19),
                                QStringLiteral("Dernière colonne"), 25);
    m_firstRowPicker = picker(pickerGroup, QStringLiteral("spSkinComboBox8"), QRect(65, 56, 41, 19),
                              QStringLiteral("Première ligne"), 0);
    m_lastRowPicker = picker(pickerGroup, QStringLiteral("spSkinComboBox2"), QRect(65, 92, 41, 20),
                             QStringLiteral("Dernière ligne"), 25);

    // A fixed sign of a map made of tiles.
    auto *mapSign = named(new QLabel(QStringLiteral("Carte"), pickerGroup), QStringLiteral("Panel1"),
                          QRect(108, 56, 81, 57), QStringLiteral("Symbolise la carte composée de plusieurs images"));
    mapSign->setAlignment(Qt::AlignCenter);
    mapSign->setFrameShape(QFrame::Box);
    makeWhite(mapSign);
    for (const QPoint at : {QPoint(0, 0), QPoint(9, 0), QPoint(18, 0), QPoint(0, 9), QPoint(0, 18)}) {
        auto *square = new QFrame(mapSign);
        square->setGeometry(QRect(at, QSize(10, 10)));
        square->setStyleSheet(QStringLiteral("background: rgb(255, 0, 0); border: 1px solid white;"));
    }

    m_buildListButton = controls::button(pickerGroup, QStringLiteral("spSkinButton8"),
                                         QStringLiteral("Créer la liste d'images à télécharger"),
                                         QRect(32, 128, 209, 25), QStringLiteral("Crée la liste des images à télécharger"));

    const std::pair<QComboBox *, Picker> pickers[] = {{m_firstColumnPicker, Picker::FirstColumn},
                                                      {m_lastColumnPicker, Picker::LastColumn},
                                                      {m_firstRowPicker, Picker::FirstRow},
                                                      {m_lastRowPicker, Picker::LastRow}};
    for (const auto &[box, which] : pickers)
        connect(box, &QComboBox::activated, this, [this, box, which] { onPickerActivated(box, which); });
}

// The two connection boxes show the options the preferences page shows too; a click sets the
// option (the preferences page stores it), and the engine reads them when a run needs them.
void DownloadPage::followSharedOptions()
{
    SharedOptions &options = m_context.options();
    m_autoConnectBox->showChecked(options.dialUnattended());
    m_autoHangUpBox->showChecked(options.hangUpAfterDownload());
    connect(&options, &SharedOptions::dialUnattendedChanged, m_autoConnectBox, &CheckBox::showChecked);
    connect(&options, &SharedOptions::hangUpAfterDownloadChanged, m_autoHangUpBox, &CheckBox::showChecked);
    connect(m_autoConnectBox, &CheckBox::clickAction, &options, &SharedOptions::setDialUnattended);
    connect(m_autoHangUpBox, &CheckBox::clickAction, &options, &SharedOptions::setHangUpAfterDownload);
    m_engine->setUnattendedDialOption([this] { return m_context.options().dialUnattended(); });
    m_engine->setHangUpOption([this] { return m_context.options().hangUpAfterDownload(); });
}

source::TileRect DownloadPage::tileRect() const
{
    return {m_firstColumnPicker->currentIndex(), m_lastColumnPicker->currentIndex(),
            m_firstRowPicker->currentIndex(), m_lastRowPicker->currentIndex()};
}

std::optional<source::TileRect> DownloadPage::listRect() const
{
    return source::withinGrid(tileRect(), m_context.selectedTileGrid());
}

QString DownloadPage::selectionCaption() const
{
    return QStringLiteral("Téléchargement de la ") + m_context.selection().sheetCaption();
}

void DownloadPage::onShow()
{
    setCaption(selectionCaption());
    if (m_downloadButton->isEnabled()) {
        // A list built and not started belongs to an earlier selection: discard it.
        m_list.clear();
        m_listView->hide();
        m_listView->show();
        m_downloadButton->setEnabled(false);
    } else if (m_engine->runningMark() == DownloadEngine::kRunningMark) {
        const SheetId &sheet = m_context.downloadJob().sheet;
        emit captionChanged(QStringLiteral("Téléchargement en cours : Carte n° ") + sheet.numberText()
                            + sheet.folderSuffix() + QStringLiteral(" - ") + sheet.edition);
    }
}

void DownloadPage::onOpenFolderClicked()
{
    const DownloadJob &job = m_context.downloadJob();
    if (!job.running)
        return;
    m_context.desktop().open(store::mapFolder(m_context.mapsRoot(), job.sheet));
}

void DownloadPage::onPickerActivated(QComboBox *moved, Picker which)
{
    m_list.clear();
    m_downloadButton->setEnabled(false);
    const source::TileRect kept = download::keepOrder(tileRect(), which);
    const int index = which == Picker::FirstColumn ? kept.firstColumn
                      : which == Picker::LastColumn ? kept.lastColumn
                      : which == Picker::FirstRow   ? kept.firstRow
                                                    : kept.lastRow;
    moved->setCurrentIndex(index);
}

void DownloadPage::resetPickers()
{
    m_firstRowPicker->setCurrentIndex(0);
    m_lastRowPicker->setCurrentIndex(25);
    m_firstColumnPicker->setCurrentIndex(0);
    m_lastColumnPicker->setCurrentIndex(25);
}

void DownloadPage::onBuildListClicked()
{
    m_list.clear();
    const SelectionState &s = m_context.selection();
    if (s.editionFolder == editions::kColour || s.editionFolder == editions::kBlackAndWhite)
        m_context.lookUpDocumentNumber();
    emit captionChanged(selectionCaption());
    m_connectionStatusEdit->clear();
    // A sheet served by IIIF has only the tiles of its grid: the list holds no other.
    const auto rect = listRect();
    if (!rect) {
        const QSize grid = m_context.selectedTileGrid();
        m_connectionStatusEdit->setText(QStringLiteral("Hors de la carte : colonnes A à %1, lignes A à %2")
                                            .arg(kLetters.at(grid.width() - 1))
                                            .arg(kLetters.at(grid.height() - 1)));
        m_downloadButton->setEnabled(false);
        return;
    }
    m_list.build(*rect);
    m_connectionStatusEdit->setText(QStringLiteral("Cliquez sur Télécharger pour démarrer"));
    m_listGauge->setMaximum(m_list.count());
    m_downloadButton->setEnabled(true);
}

void DownloadPage::onDownloadClicked()
{
    // The list was made for this rectangle: the run walks the same one.
    if (const auto rect = listRect())
        m_engine->start(*rect);
}

// The controls of the table, switched at the start and at the end of a run.
void DownloadPage::setRunControls(bool running)
{
    if (!running)
        resetPickers();
    for (QWidget *w : std::initializer_list<QWidget *>{m_buildListButton, m_lastRowPicker, m_firstRowPicker,
                                                       m_firstColumnPicker, m_lastColumnPicker})
        w->setEnabled(!running);
    m_downloadButton->setEnabled(false);
    m_stopButton->setEnabled(running);
    m_openFolderButton->setEnabled(running);
    m_iiifAddressButton->setEnabled(!running && !m_reader->busy());
}

void DownloadPage::onIiifAddressClicked()
{
    const SelectionState &s = m_context.selection();
    if (s.editionFolder.isEmpty() || s.sheetNumber.isEmpty())
        return;
    const auto current = m_context.addedMaps().sheet(s.sheet());
    const QString caption = kAddressCaption;
    const QString text = m_context.desktop().inputText(
        caption,
        QStringLiteral("Adresse en ligne (%1) de la carte n° ").arg(source::addableKinds(source::KindListing::AddressForms)) + s.sheetNumber + s.folderSuffix + QStringLiteral(" ( ")
            + s.editionFolder + QStringLiteral(" ) :"),
        current ? current->address : QString());
    if (text.trimmed().isEmpty()) {
        // An emptied field clears the sheet's address (after a question: a cancelled box
        // gives the same empty text).
        if (current && m_context.desktop().confirm(QStringLiteral("Effacer l'adresse IIIF de la carte n° ")
                                                       + s.sheetNumber + s.folderSuffix + QStringLiteral(" ?"),
                                                   caption))
            clearSheetAddress(s.sheet());
        return;
    }
    const auto address = source::parseMapAddress(text);
    if (!address) {
        m_context.desktop().error(source::addressRefusal(text));
        return;
    }
    m_addressSheet = s.sheet();
    m_iiifAddressButton->setEnabled(false);
    m_readingCursor.emplace(Qt::BusyCursor);
    m_reader->read(*address);
}

void DownloadPage::clearSheetAddress(const SheetId &sheet)
{
    m_context.addedMaps().setSheet(sheet, source::SheetSource{});
    if (!m_context.saveAddedMaps())
        m_context.desktop().error(QStringLiteral("Enregistrement impossible, l'adresse n'est pas effacée : ")
                                  + catalogue::AddedMaps::filePath(m_context.mapsRoot()));
    else
        m_context.refreshSelectionStatus();
}

void DownloadPage::showTile(const QString &tileFile)
{
    m_pendingTile = tileFile;
    if (tileFile.isEmpty()) {
        m_tileThrottle->stop();
        m_lastTileLabel->clear();
        return;
    }
    if (!m_tileThrottle->isActive())
        drawPendingTile();
}

// The last tile received, centred, proportional, fitted to 90 x 90.
void DownloadPage::drawPendingTile()
{
    const QString file = m_pendingTile;
    m_pendingTile.clear();
    if (file.isEmpty())
        return;
    jpeg::Header header;
    QImage picture;
    if (!jpeg::readHeaderFromFile(file, header).ok()
        || !jpeg::decodeFile(file, picture, jpeg::coveringScale(header.size(), m_lastTileLabel->size())).ok())
        return;
    m_lastTileLabel->setPixmap(QPixmap::fromImage(
        picture.scaled(m_lastTileLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_tileThrottle->start();   // the next tiles wait for the end of this interval
}
void DownloadPage::bringForwardForSelection()
{
    if (m_context.selection().isArchive())
        m_context.lookUpDocumentNumber();
    emit frontRequested();
}
