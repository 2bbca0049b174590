#include "print/PrintZonePage.h"
#include "app/AppContext.h"

PrintZonePage::PrintZonePage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet6"), parent)
{
}

void PrintZonePage::onShow()
{
    const SelectionState &s = m_context.selection;
    setCaptionAndNumber(QStringLiteral("Choix d'une zone à imprimer - Carte n° ") + s.sheetNumber + s.folderSuffix
                            + QStringLiteral(" ( ") + s.editionFolder + QStringLiteral(" )"),
                        6);
}
