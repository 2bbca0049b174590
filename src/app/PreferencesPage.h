#pragma once
// Page "Préférences": the maps root with its folder chooser, the tile server, the printer,
// the two connection options, the full-screen option and the IIIF request limit. Each
// setting is stored the moment it changes.

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

    // The chooser's current folder, a full path.
    QString chooserFolder() const { return m_chooserFolder; }
    void setChooserFolder(const QString &folder);

signals:
    void closeRequested();
    void printerSetupRequested();

private:
    void showMapsRoot(const QString &root);
    void buildChooser();
    void followSharedOptions();
    void refreshFolderList();

    void onChangeFolderClicked();        // opens the chooser on the program folder
    void onCreateFolderClicked();        // "Créer un nouveau dossier"
    void onSaveFolderClicked();          // the chooser's folder becomes the maps root
    void onTileServerEdited();           // "Serveur des images": host, optionally ":" + port
    void onSimultaneousRequestsChanged();

    QLabel *m_mapsRootLabel;
    QPushButton *m_changeFolderButton;
    QLineEdit *m_tileServerEdit;
    CheckBox *m_autoConnectBox;
    CheckBox *m_autoHangUpBox;
    CheckBox *m_fullScreenBox;
    QSpinBox *m_simultaneousRequestsEdit;
    CheckBox *m_libraryTooBox;

    // The folder chooser, over the page while it is open.
    QGroupBox *m_chooserGroup;
    QComboBox *m_driveCombo;
    QListWidget *m_folderList;
    QLabel *m_chooserFolderLabel;
    QString m_chooserFolder;
};
