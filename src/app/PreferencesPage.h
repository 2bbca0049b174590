#pragma once
// Page "Préférences": the maps root with its folder chooser, the printer, the two
// connection options and the full-screen option. Each option is stored the moment it changes.

#include "widgets/Page.h"

class CheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class PreferencesPage : public Page {
    Q_OBJECT
public:
    explicit PreferencesPage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

    // Handlers.
    void spSkinCheckRadioBox3Click(bool checked);
    void spSkinCheckRadioBox4Click(bool checked);
    void PleinEcranClick(bool checked);
    void spSkinButton42Click();   // "Changer": opens the chooser on the program folder
    void spSkinButton30Click();   // "Créer un nouveau dossier"
    void spSkinButton41Click();   // "Enregistrer": the chooser's folder becomes the maps root
    void spSkinButton40Click();   // "Fermer" of the chooser

    // The chooser's current folder, a full path.
    QString chooserFolder() const { return m_chooserFolder; }
    void setChooserFolder(const QString &folder);

    // "Serveur des images": host, optionally ":" + port, stored as "serveur".
    void EditServeurChange();
    static bool isServerAddress(const QString &text);

    // "Requêtes simultanées" to one IIIF server, and whether the library's server gets them too.
    void RequetesSimultaneesChange();

    QLabel *DirCartes;
    QGroupBox *GroupIiif;
    QSpinBox *RequetesSimultanees;
    CheckBox *RequetesGallica;
    QGroupBox *GroupServeur;
    QLineEdit *EditServeur;
    QPushButton *spSkinButton42, *spSkinButton48, *spSkinButton51;
    CheckBox *spSkinCheckRadioBox3, *spSkinCheckRadioBox4, *PleinEcran;
    QGroupBox *spSkinGroupBox10;
    QComboBox *spSkinDriveComboBox1;
    QListWidget *spSkinDirectoryListBox1;
    QLabel *LabelRepDefaut;
    QPushButton *spSkinButton30, *spSkinButton40, *spSkinButton41;

signals:
    void closeRequested();
    void printerSetupRequested();

private:
    void storeOption(const QString &name, bool checked);
    void buildChooser();
    void refreshFolderList();

    QString m_chooserFolder;
};
