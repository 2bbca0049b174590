#include "library/CassiniSheetSearch.h"
#include "catalogue/CassiniCatalogue.h"
#include "library/LibrarySearchPanel.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"

CassiniSheetSearch::CassiniSheetSearch(AppContext &context, std::function<int()> editionItem, QObject *parent)
    : QObject(parent), m_context(context), m_editionItem(std::move(editionItem))
{
}

void CassiniSheetSearch::setPanel(LibrarySearchPanel *panel, std::function<void()> showPanelPage)
{
    m_panel = panel;
    m_showPanelPage = std::move(showPanelPage);
    connect(m_panel, &LibrarySearchPanel::sheetAddressed, this, &CassiniSheetSearch::installRequested);
}

QPushButton *CassiniSheetSearch::addButton(QWidget *parent, const QRect &bounds)
{
    auto *b = controls::button(parent, QStringLiteral("ChercherFeuille"),
                               QStringLiteral("Chercher la feuille dans la bibliothèque"), bounds,
                               QStringLiteral("Cherche la numérisation de la feuille sélectionnée dans le catalogue "
                                              "de la bibliothèque"));
    connect(b, &QPushButton::clicked, this, &CassiniSheetSearch::openForSelectedSheet);
    connect(&m_context, &AppContext::downloadRunningChanged, b, &QWidget::setDisabled);
    return b;
}

QString CassiniSheetSearch::wordsFor(int sheet)
{
    // The catalogue's title reads "Carte 57 : Orléans"; the place is what the library names.
    const QString title = cassini::title(sheet);
    return QStringLiteral("Cassini %1 ").arg(sheet) + (title.contains(QStringLiteral(" : ")) ? title.section(QStringLiteral(" : "), 1).trimmed() : title);
}

void CassiniSheetSearch::openForSelectedSheet()
{
    bool isNumber = false;
    const int sheet = m_context.selection().sheetNumber.toInt(&isNumber);
    if (!m_panel || !isNumber || sheet < 1 || sheet > cassini::kSheetCount || m_context.selection().isArchive())
        return;
    if (m_showPanelPage)
        m_showPanelPage();
    m_panel->openForSheet(SheetId::cassini(editions::cassiniFolder(m_editionItem()), sheet), wordsFor(sheet));
}

bool CassiniSheetSearch::openForSheetWithoutAddress()
{
    const QString server = m_context.tileServer();
    if (!server.isEmpty() && server != AppContext::defaultTileServer())
        return false;
    const QString edition = editions::cassiniFolder(m_editionItem());
    if (m_context.addedMaps().sheet(SheetId::cassini(edition, m_context.selection().sheet().number)))
        return false;
    openForSelectedSheet();
    return m_panel && !m_panel->isHidden();
}
