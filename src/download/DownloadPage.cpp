#include "download/DownloadPage.h"
#include "app/AppContext.h"
#include "app/Controls.h"
#include "app/PreferencesPage.h"
#include "platform/Desktop.h"
#include "store/TileStore.h"
#include "widgets/CheckBox.h"

#include <QGroupBox>
#include <QPushButton>

using controls::named;

DownloadPage::DownloadPage(AppContext &context, PreferencesPage &preferences, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet4"), parent), m_preferences(preferences)
{
    spSkinButton54 = controls::button(this, QStringLiteral("spSkinButton54"), QStringLiteral("Ouvrir le dossier des images"),
                                      QRect(176, 48, 169, 25));
    spSkinButton54->setEnabled(false);

    auto *box = controls::group(this, QStringLiteral("spSkinGroupBox20"), QStringLiteral(" Connexion à internet"),
                                QRect(392, 330, 273, 70));
    spSkinCheckRadioBox1 = named(new CheckBox(QStringLiteral(" Connexion automatique"), box),
                                 QStringLiteral("spSkinCheckRadioBox1"), QRect(12, 22, 250, 20),
                                 QStringLiteral("Connexion sans demande des identifiants"));
    spSkinCheckRadioBox2 = named(new CheckBox(QStringLiteral(" Déconnexion automatique"), box),
                                 QStringLiteral("spSkinCheckRadioBox2"), QRect(12, 44, 250, 20),
                                 QStringLiteral("Déconnexion automatique en fin de téléchargement"));

    connect(spSkinCheckRadioBox1, &CheckBox::clickAction, this, &DownloadPage::spSkinCheckRadioBox1Click);
    connect(spSkinCheckRadioBox2, &CheckBox::clickAction, this, &DownloadPage::spSkinCheckRadioBox2Click);
    connect(spSkinButton54, &QPushButton::clicked, this, &DownloadPage::spSkinButton54Click);
}

void DownloadPage::onShow()
{
    spSkinCheckRadioBox1->setChecked(m_preferences.spSkinCheckRadioBox3->isChecked());
    spSkinCheckRadioBox2->setChecked(m_preferences.spSkinCheckRadioBox4->isChecked());
    const SelectionState &s = m_context.selection;
    setCaptionAndNumber(QStringLiteral("Téléchargement de la Carte n° ") + s.sheetNumber + s.folderSuffix
                            + QStringLiteral(" ( ") + s.editionFolder + QStringLiteral(" )"),
                        5);
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
