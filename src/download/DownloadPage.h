#pragma once
// Page "Téléchargement": preparing and watching the installation of a sheet.

#include "app/Page.h"

class CheckBox;
class PreferencesPage;
class QPushButton;

class DownloadPage : public Page {
    Q_OBJECT
public:
    DownloadPage(AppContext &context, PreferencesPage &preferences, QWidget *parent = nullptr);
    void onShow() override;

    void spSkinCheckRadioBox1Click(bool checked);
    void spSkinCheckRadioBox2Click(bool checked);
    void spSkinButton54Click();   // opens the folder of the running download

    CheckBox *spSkinCheckRadioBox1, *spSkinCheckRadioBox2;
    QPushButton *spSkinButton54;

private:
    PreferencesPage &m_preferences;
};
