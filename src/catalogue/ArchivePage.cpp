#include "catalogue/ArchivePage.h"
#include "app/AppContext.h"
#include "app/Controls.h"
#include "catalogue/InstallationStatus.h"
#include "widgets/ColourSquare.h"

ArchivePage::ArchivePage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet5"), parent)
{
    Shape69 = controls::named(new ColourSquare(colours::kWhite, this), QStringLiteral("Shape69"),
                              QRect(640, 40, 17, 14),
                              QStringLiteral("Indique le nombre d'images présentes dans le dossier de la carte"));
    connect(&m_context, &AppContext::selectionStatusRefreshed, this, &ArchivePage::applyStatus);
}

void ArchivePage::onShow()
{
    setCaptionAndNumber(QStringLiteral("Sélection d'une carte dans les archives Bnf/Gallica"), 4);
}

void ArchivePage::applyStatus(const InstallationStatus &status)
{
    if (status.shape69)
        Shape69->setColour(*status.shape69);
}
