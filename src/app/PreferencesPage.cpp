#include "app/PreferencesPage.h"
#include "library/LibraryPreferences.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "session/SettingsStore.h"
#include "platform/Desktop.h"
#include "platform/Logging.h"
#include "widgets/CheckBox.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

using controls::button;
using controls::group;
using controls::named;

namespace {
const QString kCreateCaption = QStringLiteral("Création d'un nouveau dossier");

// Shows `shown` exactly while the widget it watches is hidden.
class ShownWhileHidden : public QObject {
public:
    ShownWhileHidden(QWidget *shown, QObject *parent) : QObject(parent), m_shown(shown) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            m_shown->setVisible(event->type() == QEvent::Hide);
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_shown;
};

QLabel *whiteLabel(QWidget *parent, const QString &name, const QRect &bounds)
{
    auto *label = controls::label(parent, name, QString(), bounds);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(p);
    return label;
}
} // namespace

// A long path is shortened in its middle, in the label's own font; the whole path is its tooltip.
void PreferencesPage::showMapsRoot(const QString &root)
{
    m_mapsRootLabel->setToolTip(root);
    m_mapsRootLabel->setText(
        m_mapsRootLabel->fontMetrics().elidedText(root, Qt::ElideMiddle, m_mapsRootLabel->width() - 12));
}

PreferencesPage::PreferencesPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet9"), parent)
{
    auto *maps = group(this, QStringLiteral("spSkinGroupBox16"), QStringLiteral("Dossier de sauvegarde des cartes"),
                       QRect(10, 6, 670, 62));
    m_mapsRootLabel = whiteLabel(maps, QStringLiteral("DirCartes"), QRect(10, 24, 540, 24));
    showMapsRoot(m_context.mapsRoot());
    m_changeFolderButton = button(maps, QStringLiteral("spSkinButton42"), QStringLiteral("Changer"),
                                  QRect(560, 24, 100, 25),
                                  QStringLiteral("Définir un nouveau dossier d'installation des cartes"));

    auto *server = group(this, QStringLiteral("GroupServeur"), QStringLiteral("Serveur des images"),
                         QRect(10, 70, 670, 60));
    m_tileServerEdit = named(new QLineEdit(server), QStringLiteral("EditServeur"), QRect(10, 26, 540, 24),
                             QStringLiteral("Nom ou adresse du serveur des images, suivi éventuellement de :port"));
    m_tileServerEdit->setAccessibleName(QStringLiteral("Serveur des images"));
    m_tileServerEdit->setText(m_context.tileServer());

    auto *printer = group(this, QStringLiteral("spSkinGroupBox18"), QStringLiteral("Imprimante par défaut"),
                          QRect(10, 136, 670, 58));
    auto *printerSetupButton = button(printer, QStringLiteral("spSkinButton48"),
                                      QStringLiteral("Sélection de l'imprimante"), QRect(235, 22, 200, 25),
                                      QStringLiteral("Sélectionner l'imprimante à utiliser"));

    auto *connection = group(this, QStringLiteral("spSkinGroupBox1"), QStringLiteral("Connexion à internet"),
                             QRect(10, 200, 670, 70));
    m_autoConnectBox = controls::checkBox(connection, QStringLiteral("spSkinCheckRadioBox3"), QStringLiteral(" Connexion automatique"),
                                          QRect(20, 22, 300, 20),
                                          QStringLiteral("Connexion sans demande des identifiants"));
    m_autoHangUpBox = controls::checkBox(connection, QStringLiteral("spSkinCheckRadioBox4"), QStringLiteral(" Déconnexion automatique"),
                                         QRect(20, 44, 300, 20),
                                         QStringLiteral("Déconnexion automatique en fin de téléchargement"));

    auto *display = group(this, QStringLiteral("spSkinGroupBox19"), QStringLiteral("Affichage des cartes"),
                          QRect(10, 276, 670, 50));
    m_fullScreenBox = controls::checkBox(display, QStringLiteral("PleinEcran"), QStringLiteral("Affichage des Cartes plein écran"),
                                         QRect(20, 22, 400, 20),
                                         QStringLiteral("Réglage de l'affichage des cartes en plein écran ou dans la fenêtre de Orvantis"));

    auto *iiif = group(this, QStringLiteral("GroupIiif"), QStringLiteral("Serveurs IIIF"), QRect(10, 332, 670, 58));
    auto *requestsLabel = controls::label(iiif, QStringLiteral("LabelRequetes"),
                                          QStringLiteral("Requêtes simultanées :"), QRect(20, 24, 160, 22));
    m_simultaneousRequestsEdit = named(new QSpinBox(iiif), QStringLiteral("RequetesSimultanees"), QRect(185, 24, 60, 22),
                                       QStringLiteral("Nombre d'images demandées en même temps à un serveur IIIF"));
    m_simultaneousRequestsEdit->setAccessibleName(QStringLiteral("Requêtes simultanées"));
    const SettingEntry &requests = settings::entry(Setting::SimultaneousRequests);
    m_simultaneousRequestsEdit->setRange(int(requests.minimum), int(requests.maximum));
    requestsLabel->setBuddy(m_simultaneousRequestsEdit);
    m_libraryTooBox = controls::checkBox(iiif, QStringLiteral("RequetesGallica"), QStringLiteral("Aussi pour Gallica (BnF)"),
                                         QRect(270, 24, 195, 22),
                                         QStringLiteral("Sans cette case, Gallica reçoit une seule requête à la fois"));
    {
        const QSignalBlocker blockSpin(m_simultaneousRequestsEdit);
        m_simultaneousRequestsEdit->setValue(m_context.simultaneousRequests());
        m_libraryTooBox->showChecked(m_context.simultaneousAtLibrary());
    }

    new LibraryPreferences(m_context, this, QRect(10, 6, 670, 390), iiif, QRect(470, 22, 180, 25));

    auto *closeButton = button(this, QStringLiteral("spSkinButton51"), QStringLiteral("Fermer"),
                               QRect(290, 400, 110, 28), QStringLiteral("Retour page d'accueil"));

    buildChooser();
    // The chooser has its own "Fermer": the page's one stays out of sight below it.
    m_chooserGroup->installEventFilter(new ShownWhileHidden(closeButton, m_chooserGroup));
    followSharedOptions();

    connect(m_changeFolderButton, &QPushButton::clicked, this, &PreferencesPage::onChangeFolderClicked);
    connect(m_simultaneousRequestsEdit, &QSpinBox::valueChanged, this, &PreferencesPage::onSimultaneousRequestsChanged);
    connect(m_libraryTooBox, &CheckBox::clickAction, this, &PreferencesPage::onSimultaneousRequestsChanged);
    connect(m_tileServerEdit, &QLineEdit::editingFinished, this, &PreferencesPage::onTileServerEdited);
    connect(printerSetupButton, &QPushButton::clicked, this, &PreferencesPage::printerSetupRequested);
    connect(closeButton, &QPushButton::clicked, this, &PreferencesPage::closeRequested);
    connect(&m_context, &AppContext::mapsRootChanged, this, &PreferencesPage::showMapsRoot);
    connect(&m_context, &AppContext::downloadRunningChanged, m_changeFolderButton, &QWidget::setDisabled);
    connect(&m_context, &AppContext::downloadRunningChanged, m_tileServerEdit, &QWidget::setDisabled);
}

void PreferencesPage::buildChooser()
{
    m_chooserGroup = group(this, QStringLiteral("spSkinGroupBox10"),
                           QStringLiteral("Choix du répertoire d'installation des cartes"), QRect(10, 6, 670, 390));
    m_chooserGroup->setAutoFillBackground(true);
    m_driveCombo = named(new QComboBox(m_chooserGroup), QStringLiteral("spSkinDriveComboBox1"), QRect(10, 24, 650, 24));
    m_driveCombo->setAccessibleName(QStringLiteral("Lecteur"));
    for (const QFileInfo &drive : QDir::drives())
        m_driveCombo->addItem(drive.absoluteFilePath());
    m_folderList = named(new QListWidget(m_chooserGroup), QStringLiteral("spSkinDirectoryListBox1"),
                         QRect(10, 54, 650, 240));
    m_folderList->setAccessibleName(QStringLiteral("Dossiers"));
    m_chooserFolderLabel = whiteLabel(m_chooserGroup, QStringLiteral("LabelRepDefaut"), QRect(10, 302, 650, 24));
    auto *createButton = button(m_chooserGroup, QStringLiteral("spSkinButton30"),
                                QStringLiteral("Créer un nouveau dossier"), QRect(40, 340, 190, 28),
                                QStringLiteral("Crée un nouveau dossier vierge"));
    auto *closeButton = button(m_chooserGroup, QStringLiteral("spSkinButton40"), QStringLiteral("Fermer"),
                               QRect(260, 340, 150, 28), QStringLiteral("Ferme la fenêtre"));
    auto *saveButton = button(m_chooserGroup, QStringLiteral("spSkinButton41"), QStringLiteral("Enregistrer"),
                              QRect(440, 340, 190, 28),
                              QStringLiteral("Enregistre le dossier choisi comme dossier par défaut"));
    m_chooserGroup->hide();

    connect(m_driveCombo, &QComboBox::activated, this, [this](int index) {
        setChooserFolder(m_driveCombo->itemText(index));
    });
    connect(m_folderList, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString name = item->text();
        setChooserFolder(name == QStringLiteral("..") ? QDir(m_chooserFolder).absoluteFilePath(QStringLiteral(".."))
                                                      : QDir(m_chooserFolder).filePath(name));
    });
    connect(createButton, &QPushButton::clicked, this, &PreferencesPage::onCreateFolderClicked);
    connect(closeButton, &QPushButton::clicked, m_chooserGroup, &QWidget::hide);
    connect(saveButton, &QPushButton::clicked, this, &PreferencesPage::onSaveFolderClicked);
}

// The three boxes show the shared options (the download page sets two of them too); a click
// sets the option, which the context stores at once.
void PreferencesPage::followSharedOptions()
{
    SharedOptions &options = m_context.options();
    struct Option {
        CheckBox *box;
        bool on;
        void (SharedOptions::*set)(bool);
        void (SharedOptions::*changed)(bool);
    };
    const Option shown[] = {
        {m_autoConnectBox, options.dialUnattended(), &SharedOptions::setDialUnattended,
         &SharedOptions::dialUnattendedChanged},
        {m_autoHangUpBox, options.hangUpAfterDownload(), &SharedOptions::setHangUpAfterDownload,
         &SharedOptions::hangUpAfterDownloadChanged},
        {m_fullScreenBox, options.fullScreenView(), &SharedOptions::setFullScreenView,
         &SharedOptions::fullScreenViewChanged},
    };
    for (const Option &o : shown) {
        o.box->showChecked(o.on);
        connect(o.box, &CheckBox::clickAction, &options, o.set);
        connect(&options, o.changed, o.box, &CheckBox::showChecked);
    }
}

void PreferencesPage::onShow()
{
    setCaption(QStringLiteral("Préférences"));
}

// A new tile server address is stored at once; an empty field gives back the library's server.
void PreferencesPage::onTileServerEdited()
{
    const QString text = m_tileServerEdit->text().trimmed();
    if (!text.isEmpty() && !AppContext::isServerAddress(text)) {
        m_context.desktop().error(QStringLiteral("Adresse de serveur incorrecte : ") + text);
        m_tileServerEdit->setText(m_context.tileServer());
        return;
    }
    const QString server = text.isEmpty() ? AppContext::defaultTileServer() : text;
    if (server == m_context.tileServer() && m_tileServerEdit->text() == server)
        return;
    m_tileServerEdit->setText(server);
    if (!m_context.storeSettings([&](SettingsStore &store) { return store.write(Setting::TileServer, server); }))
        return;
    m_context.setTileServer(server);
}

void PreferencesPage::setChooserFolder(const QString &folder)
{
    m_chooserFolder = QDir::cleanPath(folder);
    if (m_chooserFolder.isEmpty())
        m_chooserFolder = QDir::rootPath();
    refreshFolderList();
}

void PreferencesPage::refreshFolderList()
{
    m_folderList->clear();
    QDir dir(m_chooserFolder);
    if (!dir.isRoot())
        m_folderList->addItem(QStringLiteral(".."));
    m_folderList->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    const QFontMetrics metrics(m_chooserFolderLabel->font());
    m_chooserFolderLabel->setText(
        metrics.elidedText(m_chooserFolder, Qt::ElideMiddle, m_chooserFolderLabel->width() - 8));
    m_chooserFolderLabel->setToolTip(m_chooserFolder);
}

void PreferencesPage::onChangeFolderClicked()
{
    setChooserFolder(m_context.programFolder());
    m_chooserGroup->show();
    m_chooserGroup->raise();
}

void PreferencesPage::onCreateFolderClicked()
{
    const QString name = m_context.desktop().inputText(kCreateCaption, QStringLiteral("Nom du nouveau dossier :"), QString());
    const QString folder = QDir(m_chooserFolder).filePath(name);
    // One folder inside the current one: no empty name, no path of several levels.
    const bool created = !name.isEmpty() && !name.contains(u'/') && name != QStringLiteral(".")
                         && name != QStringLiteral("..") && QDir(m_chooserFolder).mkdir(name);
    if (!created) {
        if (!name.isEmpty())
            qCWarning(lcUi) << "could not create the folder" << folder;
        m_context.desktop().message(QStringLiteral("Création non effectuée"), kCreateCaption);
        return;
    }
    setChooserFolder(folder);
    if (m_context.desktop().confirm(
            QStringLiteral("La création du nouveau dossier est terminée. Voulez-vous l'enregistrer comme répertoire de sauvegarde ?"),
            kCreateCaption))
        onSaveFolderClicked();
}

void PreferencesPage::onSaveFolderClicked()
{
    if (!m_context.storeSettings([this](SettingsStore &store) { return store.write(Setting::MapsRoot, m_chooserFolder); }))
        return;
    m_chooserGroup->hide();
    m_context.setMapsRoot(m_chooserFolder);
}

void PreferencesPage::onSimultaneousRequestsChanged()
{
    m_context.setSimultaneousRequests(m_simultaneousRequestsEdit->value(), m_libraryTooBox->isChecked());
    m_context.storeSettings([this](SettingsStore &store) {
        return store.writeCount(Setting::SimultaneousRequests, m_context.simultaneousRequests())
               && store.writeOn(Setting::SimultaneousAtLibrary, m_context.simultaneousAtLibrary());
    });
}
