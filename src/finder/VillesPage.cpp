#include "finder/VillesPage.h"

VillesPage::VillesPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet8"), parent)
{
}

void VillesPage::onShow()
{
    setCaptionAndNumber(QStringLiteral("Sélection d'une carte de Cassini à partir d'une commune"), 2);
}
