#include "library/LibrarySearchPanel.h"
#include "catalogue/AddedMaps.h"
#include "source/iiif/IiifReader.h"
#include "library/LibrarySearch.h"
#include "library/ThumbnailCache.h"
#include "net/PacedFetcher.h"
#include "platform/Desktop.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "widgets/Controls.h"

#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

using controls::button;
using controls::named;

namespace {

constexpr int kIconSide = 64;
constexpr int kTitleShown = 160;   // characters of a title shown in a row (all in its hint)

QString shortened(const QString &text, int length)
{
    return text.size() <= length ? text : text.left(length - 1) + QChar(0x2026);
}

QString rowText(const library::Record &r, bool added)
{
    QStringList second;
    if (!r.creators.isEmpty())
        second << shortened(r.creators.first(), 60);
    if (!r.date.isEmpty())
        second << r.date;
    if (r.views > 0)
        second << (r.views == 1 ? QStringLiteral("1 vue") : QStringLiteral("%1 vues").arg(r.views));
    QString text = shortened(r.title.isEmpty() ? r.identifier : r.title, kTitleShown);
    if (added)
        text += QStringLiteral("  [déjà ajoutée]");
    if (r.series)
        text += QStringLiteral("  [série : choisissez un numéro dans la bibliothèque]");
    return text + u'\n' + second.join(QStringLiteral(" - "));
}

} // namespace

LibrarySearchPanel::LibrarySearchPanel(AppContext &context, QWidget *parent, const QRect &bounds)
    : QFrame(parent), m_context(context), m_search(new LibrarySearch(this)),
      m_thumbnails(new ThumbnailCache(QString(), this)), m_readFetcher(new PacedFetcher(this)),
      m_reader(new IiifReader(*m_readFetcher, this))
{
    setObjectName(QStringLiteral("RechercheBibliotheque"));
    setGeometry(bounds);
    setFrameShape(QFrame::Panel);
    setAutoFillBackground(true);
    buildControls();
    hide();

    connect(m_search, &LibrarySearch::busyChanged, this, &LibrarySearchPanel::updateButtons);
    connect(m_search, &LibrarySearch::pageReady, this, &LibrarySearchPanel::onPage);
    connect(m_search, &LibrarySearch::failed, this, &LibrarySearchPanel::onFailed);
    connect(m_thumbnails, &ThumbnailCache::ready, this, &LibrarySearchPanel::onThumbnail);
    connect(m_thumbnails, &ThumbnailCache::refused, this, [this](const QString &text) { onFailed(text, true); });
    connect(m_reader, &IiifReader::done, this, &LibrarySearchPanel::onRead);
    connect(m_reader, &IiifReader::failed, this, [this](const QString &text) {
        updateButtons();
        m_context.desktop().error(text);
    });
}

void LibrarySearchPanel::buildControls()
{
    const int w = width();
    const int right = w - 118;
    auto *wordsLabel = controls::label(this, QStringLiteral("LabelMotsBibliotheque"),
                                       QStringLiteral("Mots à rechercher dans la bibliothèque"), QRect(8, 6, 300, 18));
    m_wordsEdit = named(new QLineEdit(this), QStringLiteral("MotsBibliotheque"), QRect(8, 26, right - 150, 24),
                        QStringLiteral("Mots du titre, de l'auteur, du sujet..."));
    m_wordsEdit->setAccessibleName(wordsLabel->text());
    wordsLabel->setBuddy(m_wordsEdit);
    m_allDocumentsBox = named(new QCheckBox(QStringLiteral("&Tous les documents"), this), QStringLiteral("TousDocuments"),
                              QRect(right - 136, 28, 136, 20),
                              QStringLiteral("Sans cette case, seules les cartes sont cherchées"));
    m_searchButton = button(this, QStringLiteral("RechercherBibliotheque"), QStringLiteral("R&echercher"),
                            QRect(right, 25, 110, 26), QStringLiteral("Cherche les mots dans le catalogue de la bibliothèque"));
    m_sheetLabel = controls::label(this, QStringLiteral("FeuilleRecherchee"), QString(), QRect(320, 6, w - 328, 18));
    m_stateLabel = controls::label(this, QStringLiteral("EtatRecherche"), QString(), QRect(8, 56, right - 16, 20));
    m_resultList = named(new QListWidget(this), QStringLiteral("ResultatsRecherche"), QRect(8, 80, right - 16, height() - 88),
                         QStringLiteral("Choisissez un document, puis « Ajouter » ou « Installer »"));
    m_resultList->setAccessibleName(QStringLiteral("Résultats de la recherche"));
    m_resultList->setIconSize(QSize(kIconSide, kIconSide));
    m_resultList->setUniformItemSizes(true);
    m_resultList->setWordWrap(false);
    m_resultList->setTextElideMode(Qt::ElideRight);
    m_resultList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_resultList->setSelectionMode(QAbstractItemView::SingleSelection);

    m_cancelButton = button(this, QStringLiteral("AnnulerRecherche"), QStringLiteral("A&nnuler"), QRect(right, 54, 110, 25),
                            QStringLiteral("Arrête la recherche en cours"));
    m_moreButton = button(this, QStringLiteral("SuiteRecherche"), QStringLiteral("&Suite"), QRect(right, 90, 110, 25),
                          QStringLiteral("Affiche la page suivante des résultats"));
    m_addButton = button(this, QStringLiteral("AjouterDocument"), QStringLiteral("Ajo&uter"), QRect(right, 130, 110, 25),
                         QStringLiteral("Ajoute le document choisi à la liste des cartes"));
    m_installButton = button(this, QStringLiteral("InstallerDocument"), QStringLiteral("&Installer"), QRect(right, 160, 110, 25),
                             QStringLiteral("Ajoute le document choisi et ouvre la page de téléchargement"));
    m_pageButton = button(this, QStringLiteral("PageDocument"), QStringLiteral("Page Bnf/&Gallica"), QRect(right, 190, 110, 25),
                          QStringLiteral("Ouvre le navigateur internet à la page du document"));
    m_closeButton = button(this, QStringLiteral("FermerRecherche"), QStringLiteral("Fer&mer"),
                           QRect(right, height() - 33, 110, 25), QStringLiteral("Referme la recherche"));

    // Each control's mnemonic is set here, clear of the letters the pages under the panel take;
    // a screen reader reads the label without its marker.
    for (QAbstractButton *b : findChildren<QAbstractButton *>())
        b->setAccessibleName(QString(b->text()).remove(u'&'));

    connect(m_wordsEdit, &QLineEdit::returnPressed, this, &LibrarySearchPanel::startSearch);
    connect(m_searchButton, &QPushButton::clicked, this, &LibrarySearchPanel::startSearch);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_search->cancel();
        m_thumbnails->clear();
        m_stateLabel->setText(QStringLiteral("Recherche annulée"));
        updateButtons();
    });
    connect(m_moreButton, &QPushButton::clicked, this, [this] {
        if (m_search->more())
            m_stateLabel->setText(QStringLiteral("Recherche en cours..."));
    });
    connect(m_addButton, &QPushButton::clicked, this, [this] { choose(false); });
    connect(m_installButton, &QPushButton::clicked, this, [this] { choose(true); });
    connect(m_pageButton, &QPushButton::clicked, this, &LibrarySearchPanel::onPagesClicked);
    connect(m_closeButton, &QPushButton::clicked, this, &LibrarySearchPanel::close);
    connect(m_resultList, &QListWidget::itemSelectionChanged, this, &LibrarySearchPanel::updateButtons);
    connect(m_resultList, &QListWidget::itemDoubleClicked, this, [this] { choose(false); });
    updateButtons();
}

void LibrarySearchPanel::addSearchBar(QWidget *parent, const QRect &bounds)
{
    constexpr int buttonWidth = 196;
    auto *field = named(new QLineEdit(parent), QStringLiteral("MotsBibliothequePage"),
                        QRect(bounds.x(), bounds.y(), bounds.width() - buttonWidth - 4, bounds.height()),
                        QStringLiteral("Mots à chercher dans le catalogue de la bibliothèque"));
    field->setPlaceholderText(QStringLiteral("Mots à rechercher dans la bibliothèque"));
    field->setAccessibleName(field->placeholderText());
    auto *go = button(parent, QStringLiteral("RechercherDansBibliotheque"), QStringLiteral("Rechercher dans la &bibliothèque"),
                      QRect(bounds.right() - buttonWidth + 1, bounds.y() - 1, buttonWidth, bounds.height() + 2),
                      QStringLiteral("Cherche des cartes dans tout le catalogue de la bibliothèque"));
    go->setAccessibleName(QString(go->text()).remove(u'&'));
    const auto open = [this, field] { openForWords(field->text()); };
    connect(field, &QLineEdit::returnPressed, this, open);
    connect(go, &QPushButton::clicked, this, open);
}

void LibrarySearchPanel::openForWords(const QString &words)
{
    m_sheet = {};
    m_sheetLabel->clear();
    m_addButton->show();
    m_wordsEdit->setText(words);
    m_allDocumentsBox->setChecked(false);
    show();
    raise();
    m_wordsEdit->setFocus();
    startSearch();
}

void LibrarySearchPanel::openForSheet(const SheetId &sheet, const QString &words)
{
    openForWords(words);
    m_sheet = sheet;
    m_sheetLabel->setText(QStringLiteral("Feuille n° ") + sheet.numberText() + QStringLiteral(" (") + sheet.edition
                          + QStringLiteral(") : choisissez sa numérisation"));
    m_addButton->hide();
    updateButtons();
}

void LibrarySearchPanel::close()
{
    m_search->cancel();
    m_thumbnails->clear();
    m_reader->cancel();
    hide();
}

void LibrarySearchPanel::startSearch()
{
    m_thumbnails->clear();
    m_resultList->clear();
    m_refused = false;
    QStringList warnings;
    m_addresses = library::Addresses::read(m_context.settings(), &warnings);
    library::applyPace(m_addresses);
    m_search->setAddresses(m_addresses);
    const QString query = library::searchQuery(m_wordsEdit->text(), m_allDocumentsBox->isChecked());
    if (query.isEmpty()) {
        m_search->cancel();
        m_stateLabel->setText(QStringLiteral("Indiquez des mots à rechercher"));
        updateButtons();
        return;
    }
    // An unreadable address is said once, at the first search.
    const bool tell = !warnings.isEmpty() && !m_warned;
    m_warned = m_warned || tell;
    m_stateLabel->setText(tell ? warnings.join(u' ') : QStringLiteral("Recherche en cours..."));
    m_search->start(query);
}

void LibrarySearchPanel::onPage(int first, int count)
{
    const QList<library::Record> &records = m_search->records();
    m_resultList->setUpdatesEnabled(false);
    for (int i = first; i < first + count; ++i) {
        const library::Record &r = records[i];
        auto *item = new QListWidgetItem(rowText(r, isAdded(r.arkName)));
        item->setToolTip(r.title);
        item->setData(Qt::UserRole, i);
        QPixmap blank(kIconSide, kIconSide);
        blank.fill(Qt::white);
        item->setIcon(blank);
        m_resultList->addItem(item);
    }
    m_resultList->setUpdatesEnabled(true);
    if (first == 0 && count > 0)
        m_resultList->setCurrentRow(0);
    updateCount();
    updateButtons();
    // The pictures after the text, one at a time.
    for (int i = first; i < first + count; ++i)
        m_thumbnails->request(i, records[i].thumbnail);
}

void LibrarySearchPanel::updateCount()
{
    const int total = m_search->total();
    const int shown = m_resultList->count();
    if (total == 0 && shown == 0)
        m_stateLabel->setText(QStringLiteral("Aucun document trouvé"));
    else
        m_stateLabel->setText(QStringLiteral("%1 document%2 trouvé%2, %3 affiché%4")
                                  .arg(total)
                                  .arg(total > 1 ? QStringLiteral("s") : QString())
                                  .arg(shown)
                                  .arg(shown > 1 ? QStringLiteral("s") : QString()));
}

void LibrarySearchPanel::onFailed(const QString &text, bool refused)
{
    if (refused) {
        // Nothing more is asked of the library now.
        m_refused = true;
        m_search->cancel();
        m_thumbnails->clear();
    }
    m_stateLabel->setText(text);
    updateButtons();
}

void LibrarySearchPanel::onThumbnail(int key, const QString &path)
{
    for (int row = 0; row < m_resultList->count(); ++row) {
        QListWidgetItem *item = m_resultList->item(row);
        if (item->data(Qt::UserRole).toInt() != key)
            continue;
        QImageReader reader(path);
        reader.setScaledSize(reader.size().scaled(kIconSide, kIconSide, Qt::KeepAspectRatio));
        const QImage picture = reader.read();
        if (picture.isNull())
            return;
        // Centred on a square, so that every title starts at the same place.
        QPixmap square(kIconSide, kIconSide);
        square.fill(Qt::white);
        QPainter painter(&square);
        painter.drawImage((kIconSide - picture.width()) / 2, (kIconSide - picture.height()) / 2, picture);
        painter.end();
        item->setIcon(square);
        return;
    }
}

int LibrarySearchPanel::chosenRow() const
{
    const QList<QListWidgetItem *> selected = m_resultList->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(Qt::UserRole).toInt();
}

void LibrarySearchPanel::updateButtons()
{
    const bool searching = m_search->busy();
    const bool reading = m_reader->busy();
    const int row = chosenRow();
    const library::Record *r = row >= 0 && row < m_search->records().size() ? &m_search->records()[row] : nullptr;
    const bool addable = r && !r->series && !r->arkName.isEmpty() && !reading;
    m_searchButton->setEnabled(!reading);
    m_cancelButton->setEnabled(searching);
    m_moreButton->setEnabled(!searching && !m_refused && m_search->hasMore());
    m_addButton->setEnabled(addable && !isAdded(r->arkName));
    m_installButton->setEnabled(addable && !m_context.downloadRunning());
    m_pageButton->setEnabled(r && !r->arkName.isEmpty());
    if (searching)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

bool LibrarySearchPanel::isAdded(const QString &arkName) const
{
    if (arkName.isEmpty())
        return false;
    const QString tail = QStringLiteral("/iiif/ark:/") + library::kArkAuthority + u'/' + arkName + u'/';
    const QString ours = m_addresses.library + tail;
    const QString usual = library::kDefaultLibrary + tail;
    for (const catalogue::AddedMap &map : m_context.addedMaps().maps())
        for (const source::SheetSource &sheet : map.sheets)
            if (sheet.address.startsWith(ours) || sheet.address.startsWith(usual))
                return map.editionFolder == editions::kArchive || forSheet();
    return false;
}

void LibrarySearchPanel::choose(bool install)
{
    const int row = chosenRow();
    if (row < 0 || row >= m_search->records().size() || m_reader->busy())
        return;
    const library::Record &r = m_search->records()[row];
    if (r.series) {
        m_stateLabel->setText(QStringLiteral("Une série ne peut pas être ajoutée : choisissez un de ses numéros "
                                             "dans la bibliothèque"));
        return;
    }
    if (r.arkName.isEmpty())
        return;
    if (!forSheet() && isAdded(r.arkName) && !install) {
        m_stateLabel->setText(QStringLiteral("Ce document est déjà dans la liste des cartes"));
        return;
    }
    m_installAfterRead = install;
    iiif::Address address;
    if (forSheet()) {
        address.kind = iiif::Address::Kind::Image;
        address.url = m_addresses.imageBase(r.arkName, 1);
    } else {
        address.kind = iiif::Address::Kind::Manifest;
        address.url = m_addresses.manifest(r.arkName);
    }
    m_stateLabel->setText(QStringLiteral("Lecture du document..."));
    m_reader->read(address);
    updateButtons();
}

void LibrarySearchPanel::onRead(const QString &title, const QList<source::SheetSource> &sheets)
{
    updateButtons();
    const int row = chosenRow();
    const QString realTitle = row >= 0 && !m_search->records()[row].title.isEmpty() ? m_search->records()[row].title : title;
    catalogue::AddedMaps &maps = m_context.addedMaps();
    int position = 0;
    if (forSheet()) {
        maps.setSheet(m_sheet, sheets.first(), realTitle);
    } else {
        // An installation of a document already added takes the map already there.
        for (const catalogue::AddedMap &map : maps.maps())
            if (map.editionFolder == editions::kArchive && !map.sheets.isEmpty() && !sheets.isEmpty()
                && map.sheets.first().address == sheets.first().address)
                position = map.sheetNumber.toInt();
        if (position == 0)
            position = maps.addArchiveMap(realTitle, sheets);
    }
    if (!m_context.saveAddedMaps())
        m_context.desktop().error(QStringLiteral("Enregistrement impossible : ")
                                  + catalogue::AddedMaps::filePath(m_context.mapsRoot()));
    m_stateLabel->setText(forSheet() ? QStringLiteral("Feuille n° ") + m_sheet.numberText() + QStringLiteral(" : ") + realTitle
                                     : QStringLiteral("Carte n° %1 : ").arg(position) + realTitle);
    if (QListWidgetItem *item = m_resultList->currentItem())
        item->setText(rowText(m_search->records()[row], true));
    updateButtons();
    if (forSheet()) {
        close();
        emit sheetAddressed();
    } else {
        if (m_installAfterRead)
            close();
        emit mapAdded(position, m_installAfterRead);
    }
}

void LibrarySearchPanel::onPagesClicked()
{
    const int row = chosenRow();
    if (row >= 0 && !m_search->records()[row].arkName.isEmpty())
        m_context.desktop().open(m_addresses.documentPage(m_search->records()[row].arkName));
}
