#include "print/PosterPage.h"
#include "app/AppContext.h"

PosterPage::PosterPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet7"), parent)
{
}

void PosterPage::onShow()
{
    const SelectionState &s = m_context.selection;
    setCaptionAndNumber(QStringLiteral("Impression de la Carte n° ") + s.sheetNumber + s.folderSuffix
                            + QStringLiteral(" ( ") + s.editionFolder + QStringLiteral(" )"),
                        7);
}
