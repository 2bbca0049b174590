#include "catalogue/ArchivePage.h"
#include "catalogue/ArchiveMapOperations.h"
#include "export/ExportDialog.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "catalogue/InstallationStatus.h"
#include "source/MapReader.h"
#include "source/SourceKind.h"
#include "source/iiif/IiifReader.h"
#include "download/ReadingProgress.h"
#include "library/LibrarySearchPanel.h"
#include "net/PacedFetcher.h"
#include "platform/Desktop.h"
#include "catalogue/SelectedSheetImport.h"
#include "store/TileStore.h"
#include "widgets/ColourSquare.h"
#include "widgets/SpinEdit.h"
#include "widgets/OverrideCursor.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

using controls::button;
using controls::named;

namespace {

const QString kGroupCaption = QStringLiteral("Consultation d'une carte dans les archives Bnf/Gallica");
const QString kNoMatch = QStringLiteral(" Recherche terminée sans résultat.");
const QString kAddOnlineMap = QStringLiteral("Ajouter une carte en ligne");
constexpr int kRowHeight = 20;

// Rows of the list are 20 pixels high whatever the font, and all as wide as the widest
// title needs: the list then lays out its 1924 rows without measuring each of them. That
// width is measured when the list is first laid out (not while the program starts, the
// list being on a page that is not shown first).
class RowHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setRowWidth(std::function<int()> measure) { m_measure = std::move(measure); }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (m_measure) {
            m_rowWidth = m_measure();
            m_measure = nullptr;
        }
        if (m_rowWidth > 0)
            return {m_rowWidth, kRowHeight};
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(kRowHeight);
        return size;
    }

private:
    mutable std::function<int()> m_measure;
    mutable int m_rowWidth = 0;
};

// The width a row needs for the widest of `titles`: the longest titles measured in the
// list's font, with the check box and the margins of a row measured once.
int widestRow(const QListWidget &list, const QStringList &titles)
{
    if (titles.isEmpty())
        return 0;
    std::vector<qsizetype> order(size_t(titles.size()));
    std::iota(order.begin(), order.end(), 0);
    const size_t measured = std::min<size_t>(order.size(), 64);
    std::partial_sort(order.begin(), order.begin() + qsizetype(measured), order.end(),
                      [&](qsizetype a, qsizetype b) { return titles[a].size() > titles[b].size(); });
    const QFontMetrics metrics(list.font());
    int widest = 0;
    for (size_t i = 0; i < measured; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(titles[order[i]]));
    // What a row adds to its text: measured on a short row by the style itself.
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.font = list.font();
    option.fontMetrics = metrics;
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    option.text = QStringLiteral("M");
    option.checkState = Qt::Unchecked;
    const int extra = list.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &list).width()
        - metrics.horizontalAdvance(option.text);
    return widest + extra + metrics.averageCharWidth();
}

} // namespace

ArchivePage::ArchivePage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet5"), parent),
      m_catalogue(archive::ArchiveCatalogue::load({context.installFolder(), context.programFolder()}))
{
    m_archiveBox = controls::group(this, QStringLiteral("spSkinGroupBox11"), kGroupCaption,
                                   QRect(4, 2, 682, 436));
    m_fetcher = new PacedFetcher(this);
    m_reader = new source::MapReader(*m_fetcher, this);
    connect(m_reader, &source::MapReader::done, this, &ArchivePage::onIiifRead);
    connect(m_reader, &source::MapReader::failed, this, &ArchivePage::onIiifFailed);
    connect(m_reader, &source::MapReader::stopped, this, [this] {
        m_readingCursor.reset();
        m_addIiifButton->setEnabled(true);
    });
    new ReadingProgress(*m_reader, kAddOnlineMap, this);
    m_reader->setChooser([this](const QString &title, const QStringList &entries) {
        return m_context.desktop().chooseItem(kAddOnlineMap, source::collectionPrompt(title, int(entries.size())), entries);
    });
    buildList();
    buildControls();
    refreshAddedRows();
    connect(&m_context, &AppContext::addedMapsChanged, this, &ArchivePage::refreshAddedRows);
    // The search of the library's catalogue: a field under the list, the answers over the page.
    m_librarySearch = new LibrarySearchPanel(m_context, this, m_archiveBox->geometry());
    m_librarySearch->addSearchBar(m_archiveBox, QRect(8, 404, 440, 24));
    connect(m_librarySearch, &LibrarySearchPanel::mapAdded, this, [this](int position, bool install) {
        highlightRow(position - 1);
        install ? onDownloadClicked() : onMapRowClicked();
    });

    connect(&m_context, &AppContext::selectionStatusRefreshed, this, &ArchivePage::applyStatus);
    // The caption names the archive map selected last.
    connect(&m_context, &AppContext::selectionChanged, this, [this](const SheetId &sheet) {
        if (sheet.isArchive())
            updateGroupCaption();
    });
    connect(&m_context, &AppContext::downloadRunningChanged, this, [this](bool running) {
        for (QPushButton *b : {m_downloadButton, m_importButton, m_printButton, m_previewButton, m_detailButton})
            b->setEnabled(!running);
    });
}

void ArchivePage::buildList()
{
    m_mapList = named(new QListWidget(m_archiveBox), QStringLiteral("spSkinCheckListBox1"),
                      QRect(8, 22, 440, 376),
                      QStringLiteral("Cliquez sur une rangée pour sélectionner une carte"));
    m_mapList->setAccessibleName(QStringLiteral("Cartes des archives Bnf/Gallica"));
    m_mapList->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *rows = new RowHeightDelegate(m_mapList);
    m_mapList->setItemDelegate(rows);
    m_mapList->setSortingEnabled(false);
    m_mapList->setUniformItemSizes(true);
    rows->setRowWidth([this] { return widestRow(*m_mapList, m_catalogue.titles()); });
    for (const QString &title : m_catalogue.titles()) {
        // Each row made whole before it joins the list, which then has nothing to redo.
        auto *item = new QListWidgetItem(title);
        // The check mark is set by the two check buttons only, never by a click.
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
        m_mapList->addItem(item);
    }

    // A click on a row selects its map, also when that row is already highlighted; the
    // keyboard selects the row it moves to.
    m_mapList->viewport()->installEventFilter(this);
    connect(m_mapList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_highlighting && highlightedRow() >= 0)
            onMapRowClicked();
    });
    connect(m_mapList, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const int row = m_mapList->row(item);
        if (row == m_rowAtPress && row == highlightedRow())
            onMapRowClicked();
    });
}

void ArchivePage::buildControls()
{
    QGroupBox *box = m_archiveBox;
    constexpr int x = 456, w = 218;
    m_checkInstalledButton = button(box, QStringLiteral("spSkinButton27"), QStringLiteral("Cocher les cartes installées"),
                                    QRect(x, 22, w, 25), QStringLiteral("Coche toutes les cartes installées dans la liste"));
    m_uncheckAllButton = button(box, QStringLiteral("spSkinButton21"), QStringLiteral("Décocher tout"),
                                QRect(x, 50, w, 25), QStringLiteral("Décoche toutes les cases cochées dans la liste"));

    auto *searchLabel = controls::label(box, QStringLiteral("spSkinStdLabel30"),
                                        QStringLiteral("Rechercher dans la liste :"), QRect(x, 84, w, 18));
    m_searchEdit = named(new QLineEdit(box), QStringLiteral("spSkinEdit1"), QRect(x, 102, w, 22));
    m_searchEdit->setAccessibleName(QStringLiteral("Rechercher dans la liste"));
    searchLabel->setBuddy(m_searchEdit);
    m_searchButton = button(box, QStringLiteral("spSkinButton52"), QStringLiteral("Chercher"),
                            QRect(x, 128, 106, 25),
                            QStringLiteral("Sélectionne la première carte dont le titre contient le critère recherché"));
    m_searchNextButton = button(box, QStringLiteral("spSkinButton53"), QStringLiteral("Suivant"),
                                QRect(x + 112, 128, 106, 25),
                                QStringLiteral("Continue la recherche dans la suite de la liste"));
    m_searchNextButton->setEnabled(false);

    auto *indexLabel = controls::label(box, QStringLiteral("spSkinStdLabel31"),
                                       QStringLiteral("Page BNF avec plusieurs cartes :\n"
                                                      "indiquez le n° de carte recherchée"),
                                       QRect(x, 162, w, 36));
    indexLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_sheetIndexEdit = named(new SpinEdit(box), QStringLiteral("spSkinSpinEdit2"), QRect(x, 202, 70, 22),
                             QStringLiteral("Numéro de la feuille sélectionnée"));
    m_sheetIndexEdit->setAccessibleName(QStringLiteral("Numéro de la feuille"));
    {
        const QSignalBlocker blocker(m_sheetIndexEdit);
        m_sheetIndexEdit->setRange(archive::kMinSheetIndex, archive::kMaxSheetIndex);
        m_sheetIndexEdit->setSingleStep(1);
        m_sheetIndexEdit->QSpinBox::setValue(1);
    }
    indexLabel->setBuddy(m_sheetIndexEdit);
    m_installedSquare = named(new ColourSquare(colours::kWhite, box), QStringLiteral("Shape69"), QRect(x + 84, 206, 17, 14),
                              QStringLiteral("Indique le nombre d'images présentes dans le dossier de la carte"));

    m_libraryPageButton = button(box, QStringLiteral("spSkinButton22"), QStringLiteral("Page Bnf/Gallica"),
                                 QRect(x, 236, w, 25),
                                 QStringLiteral("Ouvre le navigateur internet à la page de la carte sur le site BnF/Gallica"));
    m_downloadButton = button(box, QStringLiteral("spSkinButton23"), QStringLiteral("Télécharger"),
                              QRect(x, 266, w, 25),
                              QStringLiteral("Télécharge la carte sélectionnée et l'installe dans son dossier"));
    m_importButton = button(box, QStringLiteral("spSkinButton26"), QStringLiteral("Importer"),
                            QRect(x, 294, w, 25),
                            QStringLiteral("Installe la carte sélectionnée à partir d'une sauvegarde (autre dossier, CD...)"));
    m_detailButton = button(box, QStringLiteral("spSkinButton25"), QStringLiteral("Afficher les détails"),
                            QRect(x, 322, w, 25), QStringLiteral("Affiche une zone de la carte sélectionnée"));
    m_previewButton = button(box, QStringLiteral("spSkinButton24"), QStringLiteral("Afficher l'aperçu"),
                             QRect(x, 350, w, 25), QStringLiteral("Affiche toute la carte sélectionnée"));
    m_printButton = button(box, QStringLiteral("spSkinButton7"), QStringLiteral("Imprimer"),
                           QRect(x, 378, w, 25), QStringLiteral("Préparer l'impression de la carte sélectionnée"));

    m_addIiifButton = button(box, QStringLiteral("AjouterIiif"), kAddOnlineMap,
                             QRect(x, 406, w, 25),
                             QStringLiteral("Ajoute à la liste une carte qu'une bibliothèque publie en ligne (%1)")
                                 .arg(source::addableKinds(source::KindListing::Labels)));

    // "Exporter la carte entière..." joins the column of actions, which closes up to hold it.
    QPushButton *exportButton = button(box, QStringLiteral("ExporterCarte"), exporting::exportEntryText(),
                                       QRect(x, 0, w, 23), exporting::exportHint());
    int top = 236;
    for (QPushButton *b : {m_libraryPageButton, m_downloadButton, m_importButton, m_detailButton, m_previewButton,
                           m_printButton, m_addIiifButton, exportButton}) {
        b->setGeometry(x, top, w, 23);
        top += 24;
    }
    connect(exportButton, &QPushButton::clicked, this, [this] { exporting::exportSelectedMap(window(), m_context); });

    connect(m_addIiifButton, &QPushButton::clicked, this, &ArchivePage::onAddIiifClicked);
    // An added map is taken off the list from its row's menu (or the Delete key).
    m_removeAction = new QAction(QStringLiteral("Retirer la carte"), m_mapList);
    m_removeAction->setObjectName(QStringLiteral("RetirerCarte"));
    m_removeAction->setShortcut(QKeySequence::Delete);
    m_removeAction->setShortcutContext(Qt::WidgetShortcut);
    m_removeAction->setEnabled(false);
    m_mapList->addAction(m_removeAction);
    m_mapList->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_removeAction, &QAction::triggered, this, &ArchivePage::removeHighlightedMap);
    connect(m_sheetIndexEdit, &SpinEdit::change, this, &ArchivePage::onSheetIndexChanged);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &ArchivePage::onSearchTextChanged);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, [this] {
        if (m_searchButton->isEnabled())
            onSearchClicked();
        else if (m_searchNextButton->isEnabled())
            onSearchNextClicked();
    });
    connect(m_searchButton, &QPushButton::clicked, this, &ArchivePage::onSearchClicked);
    connect(m_searchNextButton, &QPushButton::clicked, this, &ArchivePage::onSearchNextClicked);
    connect(m_checkInstalledButton, &QPushButton::clicked, this, &ArchivePage::onCheckInstalledClicked);
    connect(m_uncheckAllButton, &QPushButton::clicked, this, &ArchivePage::onUncheckAllClicked);
    connect(m_libraryPageButton, &QPushButton::clicked, this, &ArchivePage::onLibraryPageClicked);
    connect(m_downloadButton, &QPushButton::clicked, this, &ArchivePage::onDownloadClicked);
    connect(m_importButton, &QPushButton::clicked, this, &ArchivePage::onImportClicked);
    connect(m_previewButton, &QPushButton::clicked, this, &ArchivePage::onPreviewClicked);
    connect(m_detailButton, &QPushButton::clicked, this, &ArchivePage::onDetailClicked);
    connect(m_printButton, &QPushButton::clicked, this, &ArchivePage::onPrintClicked);
}

QString ArchivePage::sheetIndexText() const
{
    return m_sheetIndexEdit->text();
}

void ArchivePage::onShow()
{
    setCaption(QStringLiteral("Sélection d'une carte dans les archives Bnf/Gallica"));
}

bool ArchivePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mapList->viewport() && event->type() == QEvent::MouseButtonPress)
        m_rowAtPress = highlightedRow();
    return Page::eventFilter(watched, event);
}

int ArchivePage::highlightedRow() const
{
    const QList<QListWidgetItem *> selected = m_mapList->selectedItems();
    return selected.isEmpty() ? -1 : m_mapList->row(selected.first());
}

void ArchivePage::highlightRow(int row)
{
    m_highlighting = true;
    m_mapList->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    if (QListWidgetItem *item = m_mapList->item(row))
        m_mapList->scrollToItem(item);
    m_highlighting = false;
}

void ArchivePage::updateGroupCaption()
{
    m_archiveBox->setTitle(kGroupCaption + QStringLiteral(" - Carte n° ") + m_context.selection().sheetNumber);
}

void ArchivePage::onMapRowClicked()
{
    const int row = highlightedRow();
    if (row < 0)
        return;
    m_removeAction->setEnabled(row >= m_catalogue.catalogueCount());
    m_sheetIndexEdit->setValue(1);   // runs the index change: the map's sheet 1 is selected
}

void ArchivePage::selectRow(int row)
{
    const int index = archive::sheetIndex(m_sheetIndexEdit->cleanText(), m_context.selection().sheet().sheetIndex);
    m_context.select(SheetId::archive(row + 1, index));
}

void ArchivePage::onSheetIndexChanged()
{
    // Without a highlighted row there is no map to take a sheet of: the selection stays.
    const int row = highlightedRow();
    if (row >= 0)
        selectRow(row);
}

void ArchivePage::onSearchClicked()
{
    highlightRow(0);
    m_searchButton->setEnabled(false);
    m_searchNextButton->setEnabled(true);
    searchFrom(0);
}

void ArchivePage::onSearchNextClicked()
{
    searchFrom(m_searchResume);
}

void ArchivePage::searchFrom(int fromIndex)
{
    const int found = m_catalogue.find(m_searchEdit->text(), fromIndex);
    if (found < 0) {
        m_searchEdit->setText(kNoMatch);
        m_searchButton->setEnabled(true);
        m_searchNextButton->setEnabled(false);
        return;
    }
    const int position = found + 1;
    highlightRow(found);
    m_sheetIndexEdit->setValue(1);   // selects the map's sheet 1
    m_context.lookUpDocumentNumber();
    m_searchResume = position;
    m_searchButton->setEnabled(false);
    m_searchNextButton->setEnabled(true);
}

void ArchivePage::onSearchTextChanged()
{
    m_searchButton->setEnabled(true);
    m_searchNextButton->setEnabled(false);
}

void ArchivePage::onCheckInstalledClicked()
{
    OverrideCursor busy;
    const QString root = m_context.mapsRoot();
    for (int row = 0; row < m_mapList->count(); ++row)
        m_mapList->item(row)->setCheckState(archive::isInstalled(root, row + 1) ? Qt::Checked : Qt::Unchecked);
}

void ArchivePage::onUncheckAllClicked()
{
    for (int row = 0; row < m_mapList->count(); ++row)
        m_mapList->item(row)->setCheckState(Qt::Unchecked);
}

bool ArchivePage::selectHighlightedMap()
{
    const int row = highlightedRow();
    if (row < 0)
        return false;
    selectRow(row);
    return true;
}

void ArchivePage::onLibraryPageClicked()
{
    const SelectionState &selection = m_context.selection();
    // The page of the highlighted map, which becomes the selection, as for the other
    // buttons (after a search that found nothing, the row highlighted is the first one).
    // Without a highlighted row, the page of the selected archive map.
    if (!selectHighlightedMap() && !selection.isArchive())
        return;
    bool isNumber = false;
    const int position = selection.sheetNumber.toInt(&isNumber);
    if (!isNumber || position < 1)
        return;
    if (position <= m_catalogue.catalogueCount())
        m_context.lookUpDocumentNumber();
    if (const QString page = archive::mapPage(m_context.addedMaps(), m_catalogue.catalogueCount(), position);
        !page.isEmpty())
        m_context.desktop().open(page);
}

void ArchivePage::onDownloadClicked()
{
    if (!selectHighlightedMap())
        return;
    m_context.lookUpDocumentNumber();
    emit downloadRequested();
}

void ArchivePage::onImportClicked()
{
    if (!selectHighlightedMap())
        return;
    store::createFolderPath(archive::mapFolder(m_context.mapsRoot(), m_context.selection().sheet().number));
    importSelectedSheet(m_context, *window());
}

void ArchivePage::onPreviewClicked()
{
    if (!selectHighlightedMap())
        return;
    emit previewRequested();
}

void ArchivePage::onDetailClicked()
{
    if (!selectHighlightedMap())
        return;
    emit detailRequested();
}

void ArchivePage::onPrintClicked()
{
    if (!selectHighlightedMap())
        return;
    emit printRequested();
}

void ArchivePage::applyStatus(const InstallationStatus &status)
{
    if (status.archiveSquare)
        m_installedSquare->setColour(*status.archiveSquare);
}

void ArchivePage::refreshAddedRows()
{
    const QStringList added = m_context.addedMaps().addedTitles();
    m_catalogue.setAddedTitles(added);
    const int base = m_catalogue.catalogueCount();
    // The rows are changed where they stand, so the highlight stays on the map chosen.
    m_highlighting = true;
    const int highlighted = highlightedRow();
    while (m_mapList->count() > base + added.size())
        delete m_mapList->takeItem(m_mapList->count() - 1);
    for (int i = 0; i < added.size(); ++i) {
        QListWidgetItem *item = m_mapList->item(base + i);
        if (!item) {
            item = new QListWidgetItem(m_mapList);
            item->setCheckState(Qt::Unchecked);
        }
        // A removed map's position stays free: its row is kept, greyed, so that every later
        // map keeps its number.
        const bool free = added[i].isEmpty();
        item->setText(free ? QStringLiteral("(carte retirée)") : added[i]);
        item->setFlags(free ? Qt::NoItemFlags : Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    if (highlighted >= 0 && m_mapList->item(highlighted)
        && m_mapList->item(highlighted)->flags().testFlag(Qt::ItemIsSelectable))
        highlightRow(highlighted);
    else if (highlighted >= 0)
        m_mapList->clearSelection();
    m_highlighting = false;
    m_removeAction->setEnabled(highlightedRow() >= base);
}

void ArchivePage::removeHighlightedMap()
{
    const int row = highlightedRow();
    if (row < m_catalogue.catalogueCount())
        return;
    const int position = row + 1;
    const QString title = m_mapList->item(row)->text();
    Desktop &desktop = m_context.desktop();
    if (!desktop.confirm(QStringLiteral("Retirer de la liste la carte n° %1 ?\n").arg(position) + title
                             + QStringLiteral("\n\nSon numéro ne sera pas donné à une autre carte."),
                         QStringLiteral("Retirer la carte")))
        return;
    const bool deleteTiles =
        desktop.confirm(QStringLiteral("Supprimer aussi les images déjà installées de cette carte ?\n"
                                       "(Non : elles restent dans leur dossier.)"),
                        QStringLiteral("Retirer la carte"));
    if (const QString failure = archive::removeAddedMap(m_context, position, deleteTiles); !failure.isEmpty())
        desktop.error(failure);
}

void ArchivePage::onAddIiifClicked()
{
    const auto address = source::askMapAddress(m_context.desktop(), kAddOnlineMap,
        QStringLiteral("Adresse de la carte (%1) :").arg(source::addableKinds(source::KindListing::TypedForms)));
    if (!address)
        return;
    m_addIiifButton->setEnabled(false);
    m_readingCursor.emplace(Qt::BusyCursor);
    m_reader->read(*address);
}

void ArchivePage::onIiifRead(const QString &title, const QList<source::SheetSource> &sheets, source::Kind kind)
{
    m_readingCursor.reset();
    m_addIiifButton->setEnabled(true);
    const archive::AddedOutcome added = archive::addMaps(m_context, title, sheets);
    if (!added.failure.isEmpty()) {
        m_context.desktop().error(added.failure);
        return;
    }
    highlightRow(added.position - 1);
    onMapRowClicked();
    m_context.desktop().message(archive::addedMessage(added.position, title, kind, sheets), kAddOnlineMap);
}

void ArchivePage::onIiifFailed(const QString &text)
{
    m_readingCursor.reset();
    m_addIiifButton->setEnabled(true);
    m_context.desktop().error(text);
}
