#include "download/DownloadPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "app/PreferencesPage.h"
#include "catalogue/CassiniCatalogue.h"
#include "download/DownloadEngine.h"
#include "download/IiifReader.h"
#include "net/IiifAddress.h"
#include "net/IiifFetcher.h"
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
const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");

QComboBox *picker(QWidget *parent, const QString &name, const QRect &bounds, const QString &accessibleName,
                  int index)
{
    auto *box = named(new QComboBox(parent), name, bounds);
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

DownloadPage::DownloadPage(AppContext &context, PreferencesPage &preferences, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet4"), parent), m_preferences(preferences)
{
    m_engine = new DownloadEngine(m_context, m_list, this);
    m_tileThrottle = new QTimer(this);
    m_tileThrottle->setSingleShot(true);
    m_tileThrottle->setInterval(100);
    connect(m_tileThrottle, &QTimer::timeout, this, &DownloadPage::drawPendingTile);

    Panel4 = named(new QFrame(this), QStringLiteral("Panel4"), QRect(42, 8, 100, 100));
    Panel4->setFrameShape(QFrame::Panel);
    makeWhite(Panel4);
    Telimage = named(new QLabel(Panel4), QStringLiteral("Telimage"), QRect(5, 5, 90, 90));
    Telimage->setAlignment(Qt::AlignCenter);
    Telimage->setAccessibleName(QStringLiteral("Dernière image reçue"));

    spSkinButton54 = controls::button(this, QStringLiteral("spSkinButton54"), QStringLiteral("Ouvrir le dossier des images"),
                                      QRect(176, 48, 169, 25));
    spSkinButton54->setEnabled(false);
    AdresseIiif = controls::button(this, QStringLiteral("AdresseIiif"), QStringLiteral("Adresse IIIF de la carte"),
                                   QRect(176, 78, 169, 25),
                                   QStringLiteral("Télécharger la carte sélectionnée depuis un serveur IIIF (Gallica...)"));
    // Its own fetcher: the end of a run cancels the run's requests, never a reading.
    auto *addressFetcher = new IiifFetcher(this);
    addressFetcher->setHostLimit([this](const QString &host) { return m_context.requestLimitFor(host); });
    m_reader = new IiifReader(*addressFetcher, this);

    spSkinGroupBox6 = controls::group(this, QStringLiteral("spSkinGroupBox6"),
                                      QStringLiteral("Liste des images de la carte à télécharger"), QRect(14, 112, 369, 313));
    spSkinListView1 = named(new QTreeView(spSkinGroupBox6), QStringLiteral("spSkinListView1"), QRect(8, 30, 339, 273),
                            QStringLiteral("Renseignements sur le téléchargement en cours..."));
    spSkinListView1->setModel(&m_list);
    spSkinListView1->setRootIsDecorated(false);
    spSkinListView1->setUniformRowHeights(true);
    spSkinListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    spSkinListView1->setAccessibleName(QStringLiteral("Liste des images"));
    spSkinListView1->setStyleSheet(QStringLiteral("QTreeView { background: white; gridline-color: #c0c0c0; }"
                                                  "QTreeView::item { border-bottom: 1px solid #d8d8d8; "
                                                  "border-right: 1px solid #d8d8d8; }"));
    spSkinListView1->header()->resizeSection(0, 140);
    spSkinListView1->header()->resizeSection(1, 195);

    buildPickers();

    spSkinGroupBox20 = controls::group(this, QStringLiteral("spSkinGroupBox20"), QStringLiteral(" Connexion à internet"),
                                       QRect(392, 192, 271, 113));
    spSkinEdit3 = named(new QLineEdit(QStringLiteral("Déconnecté"), spSkinGroupBox20), QStringLiteral("spSkinEdit3"),
                        QRect(8, 32, 257, 20));
    spSkinEdit3->setReadOnly(true);
    spSkinEdit3->setAlignment(Qt::AlignCenter);
    spSkinEdit3->setAccessibleName(QStringLiteral("État de la connexion"));
    spSkinCheckRadioBox2 = named(new CheckBox(QStringLiteral(" Déconnexion automatique"), spSkinGroupBox20),
                                 QStringLiteral("spSkinCheckRadioBox2"), QRect(77, 57, 150, 23),
                                 QStringLiteral("Déconnexion automatique en fin de téléchargement"));
    spSkinCheckRadioBox1 = named(new CheckBox(QStringLiteral(" Connexion automatique"), spSkinGroupBox20),
                                 QStringLiteral("spSkinCheckRadioBox1"), QRect(77, 80, 150, 23),
                                 QStringLiteral("Connexion sans demande des identifiants"));

    spSkinGroupBox3 = controls::group(this, QStringLiteral("spSkinGroupBox3"), QStringLiteral("Progression du téléchargement"),
                                      QRect(392, 320, 273, 105));
    spSkinGauge3 = named(new QProgressBar(spSkinGroupBox3), QStringLiteral("spSkinGauge3"), QRect(8, 27, 257, 23));
    spSkinGauge3->setRange(0, store::kTileCount);
    spSkinGauge3->setValue(0);
    spSkinGauge3->setFormat(QStringLiteral("Téléchargement de la liste = %p%"));
    spSkinGauge3->setTextVisible(true);
    spSkinButton31 = controls::button(spSkinGroupBox3, QStringLiteral("spSkinButton31"), QStringLiteral("Télécharger"),
                                      QRect(36, 66, 90, 25),
                                      QStringLiteral("Lance la connexion et télécharge les images de la liste"));
    spSkinButton31->setEnabled(false);
    spSkinButton31->setProperty("tag", 0);
    spSkinButton9 = controls::button(spSkinGroupBox3, QStringLiteral("spSkinButton9"), QStringLiteral("Arrêter"),
                                     QRect(139, 66, 90, 25), QStringLiteral("Stoppe le téléchargement"));
    spSkinButton9->setEnabled(false);

    connect(spSkinCheckRadioBox1, &CheckBox::clickAction, this, &DownloadPage::spSkinCheckRadioBox1Click);
    connect(spSkinCheckRadioBox2, &CheckBox::clickAction, this, &DownloadPage::spSkinCheckRadioBox2Click);
    connect(spSkinButton54, &QPushButton::clicked, this, &DownloadPage::spSkinButton54Click);
    connect(spSkinButton8, &QPushButton::clicked, this, &DownloadPage::spSkinButton8Click);
    connect(spSkinButton31, &QPushButton::clicked, this, &DownloadPage::spSkinButton31Click);
    connect(spSkinButton9, &QPushButton::clicked, this, &DownloadPage::spSkinButton9Click);
    connect(AdresseIiif, &QPushButton::clicked, this, &DownloadPage::AdresseIiifClick);
    connect(m_reader, &IiifReader::done, this, [this](const QString &title, const QList<iiif::SheetSource> &sheets) {
        m_readingCursor.reset();
        AdresseIiif->setEnabled(!m_context.downloadRunning());
        const QString caption = QStringLiteral("Adresse IIIF de la carte");
        m_context.addedMaps().setSheet(m_addressEdition, m_addressSheet, m_addressIndex, sheets.first(), title);
        if (!m_context.saveAddedMaps()) {
            m_context.desktop().error(QStringLiteral("Enregistrement impossible : ")
                                      + iiif::AddedMaps::filePath(m_context.mapsRoot()));
            return;
        }
        const QSize size = sheets.first().size;
        m_context.desktop().message(title + QStringLiteral("\n%1 x %2 pixels").arg(size.width()).arg(size.height()),
                                    caption);
    });
    connect(m_reader, &IiifReader::failed, this, [this](const QString &text) {
        m_readingCursor.reset();
        AdresseIiif->setEnabled(!m_context.downloadRunning());
        m_context.desktop().error(text);
    });

    // The options are the preferences' boxes; they are read when the run needs them.
    m_engine->setUnattendedDialOption([this] { return m_preferences.spSkinCheckRadioBox3->isChecked(); });
    m_engine->setHangUpOption([this] { return m_preferences.spSkinCheckRadioBox4->isChecked(); });
    connect(m_engine, &DownloadEngine::statusTextChanged, this, [this](const QString &text) {
        spSkinEdit3->clear();
        spSkinEdit3->setText(text);
    });
    connect(m_engine, &DownloadEngine::captionChanged, this, &Page::captionChanged);
    connect(m_engine, &DownloadEngine::runningMarkChanged, this,
            [this](int mark) { spSkinButton31->setProperty("tag", mark); });
    connect(m_engine, &DownloadEngine::gaugeChanged, this,
            [this](int value) { spSkinGauge3->setValue(qMin(value, spSkinGauge3->maximum())); });
    connect(m_engine, &DownloadEngine::currentRowChanged, this, [this](int row) {
        if (row > 5)
            spSkinListView1->scrollTo(m_list.index(row, 0), QAbstractItemView::EnsureVisible);
    });
    connect(m_engine, &DownloadEngine::tileShown, this, &DownloadPage::showTile);
    connect(&m_context, &AppContext::downloadRunningChanged, this, &DownloadPage::setRunControls);
}

DownloadPage::~DownloadPage() = default;

void DownloadPage::buildPickers()
{
    spSkinGroupBox2 = controls::group(this, QStringLiteral("spSkinGroupBox2"), QStringLiteral("Sélection des images à télécharger"),
                                      QRect(392, 10, 273, 167));
    spSkinComboBox7 = picker(spSkinGroupBox2, QStringLiteral("spSkinComboBox7"), QRect(108, 32, 41, 19),
                             QStringLiteral("Première colonne"), 0);
    spSkinComboBox1 = picker(spSkinGroupBox2, QStringLiteral("spSkinComboBox1"), QRect(166, 32, 41, 19),
                             QStringLiteral("Dernière colonne"), 25);
    spSkinComboBox8 = picker(spSkinGroupBox2, QStringLiteral("spSkinComboBox8"), QRect(65, 56, 41, 19),
                             QStringLiteral("Première ligne"), 0);
    spSkinComboBox2 = picker(spSkinGroupBox2, QStringLiteral("spSkinComboBox2"), QRect(65, 92, 41, 20),
                             QStringLiteral("Dernière ligne"), 25);

    // A fixed sign of a map made of tiles.
    Panel1 = named(new QLabel(QStringLiteral("Carte"), spSkinGroupBox2), QStringLiteral("Panel1"), QRect(108, 56, 81, 57),
                   QStringLiteral("Symbolise la carte composée de plusieurs images"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameShape(QFrame::Box);
    makeWhite(Panel1);
    for (const QPoint at : {QPoint(0, 0), QPoint(9, 0), QPoint(18, 0), QPoint(0, 9), QPoint(0, 18)}) {
        auto *square = new QFrame(Panel1);
        square->setGeometry(QRect(at, QSize(10, 10)));
        square->setStyleSheet(QStringLiteral("background: rgb(255, 0, 0); border: 1px solid white;"));
    }

    spSkinButton8 = controls::button(spSkinGroupBox2, QStringLiteral("spSkinButton8"),
                                     QStringLiteral("Créer la liste d'images à télécharger"), QRect(32, 128, 209, 25),
                                     QStringLiteral("Crée la liste des images à télécharger"));

    connect(spSkinComboBox7, &QComboBox::activated, this, &DownloadPage::spSkinComboBox7Change);
    connect(spSkinComboBox1, &QComboBox::activated, this, &DownloadPage::spSkinComboBox1Change);
    connect(spSkinComboBox8, &QComboBox::activated, this, &DownloadPage::spSkinComboBox8Change);
    connect(spSkinComboBox2, &QComboBox::activated, this, &DownloadPage::spSkinComboBox2Change);
}

download::TileRect DownloadPage::tileRect() const
{
    return {spSkinComboBox7->currentIndex(), spSkinComboBox1->currentIndex(), spSkinComboBox8->currentIndex(),
            spSkinComboBox2->currentIndex()};
}

std::optional<download::TileRect> DownloadPage::listRect() const
{
    return download::withinGrid(tileRect(), m_context.selectedTileGrid());
}

QString DownloadPage::selectionCaption() const
{
    return QStringLiteral("Téléchargement de la ") + m_context.selection.sheetCaption();
}

void DownloadPage::onShow()
{
    setCaptionAndNumber(selectionCaption(), 5);
    spSkinCheckRadioBox1->setChecked(m_preferences.spSkinCheckRadioBox3->isChecked());
    spSkinCheckRadioBox2->setChecked(m_preferences.spSkinCheckRadioBox4->isChecked());
    if (spSkinButton31->isEnabled()) {
        // A list built and not started belongs to an earlier selection: discard it.
        m_list.clear();
        spSkinListView1->hide();
        spSkinListView1->show();
        spSkinButton31->setEnabled(false);
    } else if (m_engine->runningMark() == DownloadEngine::kRunningMark) {
        const DownloadJob &job = m_context.downloadJob;
        emit captionChanged(QStringLiteral("Téléchargement en cours : Carte n° ") + job.sheetNumber + job.folderSuffix
                            + QStringLiteral(" - ") + job.editionFolder);
    }
}

void DownloadPage::spSkinCheckRadioBox1Click(bool checked)
{
    m_preferences.spSkinCheckRadioBox3->setChecked(checked);
}

void DownloadPage::spSkinCheckRadioBox2Click(bool checked)
{
    m_preferences.spSkinCheckRadioBox4->setChecked(checked);
}

void DownloadPage::spSkinButton54Click()
{
    const DownloadJob &job = m_context.downloadJob;
    if (!job.running)
        return;
    m_context.desktop().open(store::mapFolder(m_context.mapsRoot(), job.editionFolder, job.sheetNumber,
                                              job.folderSuffix));
}

void DownloadPage::pickerChanged(QComboBox *moved, Picker which)
{
    m_list.clear();
    spSkinButton31->setEnabled(false);
    const download::TileRect kept = download::keepOrder(tileRect(), which);
    const int index = which == Picker::FirstColumn ? kept.firstColumn
                      : which == Picker::LastColumn ? kept.lastColumn
                      : which == Picker::FirstRow   ? kept.firstRow
                                                    : kept.lastRow;
    moved->setCurrentIndex(index);
}

void DownloadPage::spSkinComboBox7Change() { pickerChanged(spSkinComboBox7, Picker::FirstColumn); }
void DownloadPage::spSkinComboBox1Change() { pickerChanged(spSkinComboBox1, Picker::LastColumn); }
void DownloadPage::spSkinComboBox8Change() { pickerChanged(spSkinComboBox8, Picker::FirstRow); }
void DownloadPage::spSkinComboBox2Change() { pickerChanged(spSkinComboBox2, Picker::LastRow); }

void DownloadPage::resetPickers()
{
    spSkinComboBox8->setCurrentIndex(0);
    spSkinComboBox2->setCurrentIndex(25);
    spSkinComboBox7->setCurrentIndex(0);
    spSkinComboBox1->setCurrentIndex(25);
}

void DownloadPage::spSkinButton8Click()
{
    m_list.clear();
    SelectionState &s = m_context.selection;
    if (s.editionFolder == editions::kColour || s.editionFolder == editions::kBlackAndWhite)
        cassini::lookUpDocumentNumber(s, s.editionFolder == editions::kColour ? 0 : 1);
    emit captionChanged(selectionCaption());
    spSkinEdit3->clear();
    // A sheet served by IIIF has only the tiles of its grid: the list holds no other.
    const auto rect = listRect();
    if (!rect) {
        const QSize grid = m_context.selectedTileGrid();
        spSkinEdit3->setText(QStringLiteral("Hors de la carte : colonnes A à %1, lignes A à %2")
                                 .arg(kLetters.at(grid.width() - 1))
                                 .arg(kLetters.at(grid.height() - 1)));
        spSkinButton31->setEnabled(false);
        return;
    }
    m_list.build(*rect);
    spSkinEdit3->setText(QStringLiteral("Cliquez sur Télécharger pour démarrer"));
    spSkinGauge3->setMaximum(m_list.count());
    spSkinButton31->setEnabled(true);
}

void DownloadPage::spSkinButton31Click()
{
    // The list was made for this rectangle: the run walks the same one.
    if (const auto rect = listRect())
        m_engine->start(*rect);
}

void DownloadPage::spSkinButton9Click()
{
    m_engine->stop();
}

// The controls of the table, switched at the start and at the end of a run.
void DownloadPage::setRunControls(bool running)
{
    if (!running)
        resetPickers();
    for (QWidget *w : std::initializer_list<QWidget *>{spSkinButton8, spSkinComboBox2, spSkinComboBox8,
                                                       spSkinComboBox7, spSkinComboBox1})
        w->setEnabled(!running);
    spSkinButton31->setEnabled(false);
    spSkinButton9->setEnabled(running);
    spSkinButton54->setEnabled(running);
    AdresseIiif->setEnabled(!running && !m_reader->busy());
}

void DownloadPage::AdresseIiifClick()
{
    const SelectionState &s = m_context.selection;
    if (s.editionFolder.isEmpty() || s.sheetNumber.isEmpty())
        return;
    const int index = s.folderSuffix.isEmpty() ? 1 : s.folderSuffix.mid(2).toInt();
    const auto current = m_context.addedMaps().sheet(s.editionFolder, s.sheetNumber, s.folderSuffix);
    const auto address = iiif::askAddress(
        m_context.desktop(), QStringLiteral("Adresse IIIF de la carte"),
        QStringLiteral("Adresse IIIF de la carte n° ") + s.sheetNumber + s.folderSuffix + QStringLiteral(" ( ")
            + s.editionFolder + QStringLiteral(" ) :"),
        current ? current->imageBase : QString());
    if (!address)
        return;
    m_addressEdition = s.editionFolder;
    m_addressSheet = s.sheetNumber;
    m_addressIndex = index;
    AdresseIiif->setEnabled(false);
    m_readingCursor.emplace(Qt::BusyCursor);
    m_reader->read(*address);
}

void DownloadPage::showTile(const QString &tileFile)
{
    m_pendingTile = tileFile;
    if (tileFile.isEmpty()) {
        m_tileThrottle->stop();
        Telimage->clear();
        return;
    }
    if (!m_tileThrottle->isActive())
        drawPendingTile();
}

// Telimage: the last tile received, centred, proportional, fitted to 90 x 90.
void DownloadPage::drawPendingTile()
{
    const QString file = m_pendingTile;
    m_pendingTile.clear();
    if (file.isEmpty())
        return;
    jpeg::Header header;
    QImage picture;
    if (!jpeg::readHeaderFromFile(file, header).ok()
        || !jpeg::decodeFile(file, picture, jpeg::coveringScale(header.size(), Telimage->size())).ok())
        return;
    Telimage->setPixmap(QPixmap::fromImage(
        picture.scaled(Telimage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_tileThrottle->start();   // the next tiles wait for the end of this interval
}

void DownloadPage::bringForwardForSelection()
{
    SelectionState &s = m_context.selection;
    if (s.isArchive()) {
        bool ok = false;
        const int position = s.sheetNumber.toInt(&ok);
        if (ok)
            s.documentNumber = QString::number(position + 10000);
    }
    emit frontRequested();
}
