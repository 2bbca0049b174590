#include "app/PreferencesPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "session/SettingsStore.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "widgets/CheckBox.h"

#include <QComboBox>
#include <QDir>
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

PreferencesPage::PreferencesPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet9"), parent)
{
    auto *maps = group(this, QStringLiteral("spSkinGroupBox16"), QStringLiteral("Dossier de sauvegarde des cartes"),
                       QRect(10, 6, 670, 62));
    DirCartes = whiteLabel(maps, QStringLiteral("DirCartes"), QRect(10, 24, 540, 24));
    DirCartes->setText(m_context.mapsRoot());
    spSkinButton42 = button(maps, QStringLiteral("spSkinButton42"), QStringLiteral("Changer"), QRect(560, 24, 100, 25),
                            QStringLiteral("Définir un nouveau dossier d'installation des cartes"));

    GroupServeur = group(this, QStringLiteral("GroupServeur"), QStringLiteral("Serveur des images"),
                         QRect(10, 70, 670, 60));
    EditServeur = named(new QLineEdit(GroupServeur), QStringLiteral("EditServeur"), QRect(10, 26, 540, 24),
                        QStringLiteral("Nom ou adresse du serveur des images, suivi éventuellement de :port"));
    EditServeur->setAccessibleName(QStringLiteral("Serveur des images"));
    {
        const QString stored = m_context.settings().read(QStringLiteral("serveur")).trimmed();
        // A value the program does not accept is kept and shown as it is: the first download
        // that needs it says so, rather than going to another server.
        m_context.setTileServer(stored);
        EditServeur->setText(m_context.tileServer());
    }

    auto *printer = group(this, QStringLiteral("spSkinGroupBox18"), QStringLiteral("Imprimante par défaut"),
                          QRect(10, 136, 670, 58));
    spSkinButton48 = button(printer, QStringLiteral("spSkinButton48"), QStringLiteral("Sélection de l'imprimante"),
                            QRect(235, 22, 200, 25), QStringLiteral("Sélectionner l'imprimante à utiliser"));

    auto *connection = group(this, QStringLiteral("spSkinGroupBox1"), QStringLiteral("Connexion à internet"),
                             QRect(10, 200, 670, 70));
    spSkinCheckRadioBox3 = named(new CheckBox(QStringLiteral(" Connexion automatique"), connection),
                                 QStringLiteral("spSkinCheckRadioBox3"), QRect(20, 22, 300, 20),
                                 QStringLiteral("Connexion sans demande des identifiants"));
    spSkinCheckRadioBox4 = named(new CheckBox(QStringLiteral(" Déconnexion automatique"), connection),
                                 QStringLiteral("spSkinCheckRadioBox4"), QRect(20, 44, 300, 20),
                                 QStringLiteral("Déconnexion automatique en fin de téléchargement"));

    auto *display = group(this, QStringLiteral("spSkinGroupBox19"), QStringLiteral("Affichage des cartes"),
                          QRect(10, 276, 670, 50));
    PleinEcran = named(new CheckBox(QStringLiteral("Affichage des Cartes plein écran"), display),
                       QStringLiteral("PleinEcran"), QRect(20, 22, 400, 20),
                       QStringLiteral("Réglage de l'affichage des cartes en plein écran ou dans la fenêtre de Orvantis"));

    GroupIiif = group(this, QStringLiteral("GroupIiif"), QStringLiteral("Serveurs IIIF"), QRect(10, 332, 670, 58));
    auto *requestsLabel = controls::label(GroupIiif, QStringLiteral("LabelRequetes"),
                                          QStringLiteral("Requêtes simultanées :"), QRect(20, 24, 160, 22));
    RequetesSimultanees = named(new QSpinBox(GroupIiif), QStringLiteral("RequetesSimultanees"), QRect(185, 24, 60, 22),
                                QStringLiteral("Nombre d'images demandées en même temps à un serveur IIIF"));
    RequetesSimultanees->setAccessibleName(QStringLiteral("Requêtes simultanées"));
    RequetesSimultanees->setRange(1, AppContext::kMaxSimultaneousRequests);
    requestsLabel->setBuddy(RequetesSimultanees);
    RequetesGallica = named(new CheckBox(QStringLiteral("Aussi pour Gallica (BnF)"), GroupIiif),
                            QStringLiteral("RequetesGallica"), QRect(270, 24, 380, 22),
                            QStringLiteral("Sans cette case, Gallica reçoit une seule requête à la fois"));
    {
        bool isNumber = false;
        const int stored = m_context.settings().read(QStringLiteral("requetes")).toInt(&isNumber);
        const bool library = m_context.settings().read(QStringLiteral("requetesgallica")) == QStringLiteral("1");
        m_context.setSimultaneousRequests(isNumber ? stored : 1, library);
        const QSignalBlocker blockSpin(RequetesSimultanees), blockBox(RequetesGallica);
        RequetesSimultanees->setValue(m_context.simultaneousRequests());
        RequetesGallica->QCheckBox::setChecked(library);
    }

    spSkinButton51 = button(this, QStringLiteral("spSkinButton51"), QStringLiteral("Fermer"), QRect(290, 400, 110, 28),
                            QStringLiteral("Retour page d'accueil"));

    buildChooser();

    connect(spSkinCheckRadioBox3, &CheckBox::clickAction, this, &PreferencesPage::spSkinCheckRadioBox3Click);
    connect(spSkinCheckRadioBox4, &CheckBox::clickAction, this, &PreferencesPage::spSkinCheckRadioBox4Click);
    connect(PleinEcran, &CheckBox::clickAction, this, &PreferencesPage::PleinEcranClick);
    connect(spSkinButton42, &QPushButton::clicked, this, &PreferencesPage::spSkinButton42Click);
    connect(RequetesSimultanees, &QSpinBox::valueChanged, this, &PreferencesPage::RequetesSimultaneesChange);
    connect(RequetesGallica, &CheckBox::clickAction, this, &PreferencesPage::RequetesSimultaneesChange);
    connect(EditServeur, &QLineEdit::editingFinished, this, &PreferencesPage::EditServeurChange);
    connect(spSkinButton48, &QPushButton::clicked, this, &PreferencesPage::printerSetupRequested);
    connect(spSkinButton51, &QPushButton::clicked, this, &PreferencesPage::closeRequested);
    connect(&m_context, &AppContext::mapsRootChanged, DirCartes, &QLabel::setText);
    connect(&m_context, &AppContext::downloadRunningChanged, spSkinButton42, &QWidget::setDisabled);
    connect(&m_context, &AppContext::downloadRunningChanged, EditServeur, &QWidget::setDisabled);
}

void PreferencesPage::buildChooser()
{
    spSkinGroupBox10 = group(this, QStringLiteral("spSkinGroupBox10"),
                             QStringLiteral("Choix du répertoire d'installation des cartes"), QRect(10, 6, 670, 390));
    spSkinGroupBox10->setAutoFillBackground(true);
    spSkinDriveComboBox1 = named(new QComboBox(spSkinGroupBox10), QStringLiteral("spSkinDriveComboBox1"),
                                 QRect(10, 24, 650, 24));
    spSkinDriveComboBox1->setAccessibleName(QStringLiteral("Lecteur"));
    for (const QFileInfo &drive : QDir::drives())
        spSkinDriveComboBox1->addItem(drive.absoluteFilePath());
    spSkinDirectoryListBox1 = named(new QListWidget(spSkinGroupBox10), QStringLiteral("spSkinDirectoryListBox1"),
                                    QRect(10, 54, 650, 240));
    spSkinDirectoryListBox1->setAccessibleName(QStringLiteral("Dossiers"));
    LabelRepDefaut = whiteLabel(spSkinGroupBox10, QStringLiteral("LabelRepDefaut"), QRect(10, 302, 650, 24));
    spSkinButton30 = button(spSkinGroupBox10, QStringLiteral("spSkinButton30"), QStringLiteral("Créer un nouveau dossier"),
                            QRect(40, 340, 190, 28), QStringLiteral("Crée un nouveau dossier vierge"));
    spSkinButton40 = button(spSkinGroupBox10, QStringLiteral("spSkinButton40"), QStringLiteral("Fermer"),
                            QRect(260, 340, 150, 28), QStringLiteral("Ferme la fenêtre"));
    spSkinButton41 = button(spSkinGroupBox10, QStringLiteral("spSkinButton41"), QStringLiteral("Enregistrer"),
                            QRect(440, 340, 190, 28), QStringLiteral("Enregistre le dossier choisi comme dossier par défaut"));
    spSkinGroupBox10->hide();

    connect(spSkinDriveComboBox1, &QComboBox::activated, this, [this](int index) {
        setChooserFolder(spSkinDriveComboBox1->itemText(index));
    });
    connect(spSkinDirectoryListBox1, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString name = item->text();
        setChooserFolder(name == QStringLiteral("..") ? QDir(m_chooserFolder).absoluteFilePath(QStringLiteral(".."))
                                                      : QDir(m_chooserFolder).filePath(name));
    });
    connect(spSkinButton30, &QPushButton::clicked, this, &PreferencesPage::spSkinButton30Click);
    connect(spSkinButton40, &QPushButton::clicked, this, &PreferencesPage::spSkinButton40Click);
    connect(spSkinButton41, &QPushButton::clicked, this, &PreferencesPage::spSkinButton41Click);
}

void PreferencesPage::onShow()
{
    setCaptionAndNumber(QStringLiteral("Préférences"), 8);
}

void PreferencesPage::storeOption(const QString &name, bool checked)
{
    if (!m_context.settings().write(name, optionText(checked)))
        m_context.desktop().error(m_context.settings().failureMessage());
}

void PreferencesPage::spSkinCheckRadioBox3Click(bool checked) { storeOption(QStringLiteral("connexion"), checked); }
void PreferencesPage::spSkinCheckRadioBox4Click(bool checked) { storeOption(QStringLiteral("deconnexion"), checked); }
void PreferencesPage::PleinEcranClick(bool checked)
{
    m_context.options().setFullScreenView(checked);
    storeOption(QStringLiteral("affichage"), checked);
}

bool PreferencesPage::isServerAddress(const QString &text)
{
    return AppContext::isServerAddress(text);
}

// A new tile server address is stored at once; an empty field gives back the library's server.
void PreferencesPage::EditServeurChange()
{
    const QString text = EditServeur->text().trimmed();
    if (!text.isEmpty() && !isServerAddress(text)) {
        m_context.desktop().error(QStringLiteral("Adresse de serveur incorrecte : ") + text);
        EditServeur->setText(m_context.tileServer());
        return;
    }
    const QString server = text.isEmpty() ? AppContext::defaultTileServer() : text;
    if (server == m_context.tileServer() && EditServeur->text() == server)
        return;
    EditServeur->setText(server);
    if (!m_context.settings().write(QStringLiteral("serveur"), server)) {
        m_context.desktop().error(m_context.settings().failureMessage());
        return;
    }
    m_context.setTileServer(server);
}

void PreferencesPage::setChooserFolder(const QString &folder)
{
    m_chooserFolder = QDir::cleanPath(paths::nativePath(folder));
    if (m_chooserFolder.isEmpty())
        m_chooserFolder = QDir::rootPath();
    refreshFolderList();
}

void PreferencesPage::refreshFolderList()
{
    spSkinDirectoryListBox1->clear();
    QDir dir(m_chooserFolder);
    if (!dir.isRoot())
        spSkinDirectoryListBox1->addItem(QStringLiteral(".."));
    spSkinDirectoryListBox1->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    const QFontMetrics metrics(LabelRepDefaut->font());
    LabelRepDefaut->setText(metrics.elidedText(m_chooserFolder, Qt::ElideMiddle, LabelRepDefaut->width() - 8));
    LabelRepDefaut->setToolTip(m_chooserFolder);
}

void PreferencesPage::spSkinButton42Click()
{
    setChooserFolder(m_context.programFolder());
    spSkinGroupBox10->show();
    spSkinGroupBox10->raise();
}

void PreferencesPage::spSkinButton30Click()
{
    const QString name = m_context.desktop().inputText(kCreateCaption, QStringLiteral("Nom du nouveau dossier :"), QString());
    const QString folder = QDir(m_chooserFolder).filePath(name);
    // One folder inside the current one: no empty name, no path of several levels.
    const bool created = !name.isEmpty() && !name.contains(u'/') && name != QStringLiteral(".")
                         && name != QStringLiteral("..") && QDir(m_chooserFolder).mkdir(name);
    if (!created) {
        m_context.desktop().message(QStringLiteral("Création non effectuée"), kCreateCaption);
        return;
    }
    setChooserFolder(folder);
    if (m_context.desktop().confirm(
            QStringLiteral("La création du nouveau dossier est terminée. Voulez-vous l'enregistrer comme répertoire de sauvegarde ?"),
            kCreateCaption))
        spSkinButton41Click();
}

void PreferencesPage::spSkinButton41Click()
{
    if (!m_context.settings().write(QStringLiteral("cartes"), m_chooserFolder)) {
        m_context.desktop().error(m_context.settings().failureMessage());
        return;
    }
    spSkinGroupBox10->hide();
    m_context.setMapsRoot(m_chooserFolder);
}

void PreferencesPage::spSkinButton40Click()
{
    spSkinGroupBox10->hide();
}

void PreferencesPage::RequetesSimultaneesChange()
{
    m_context.setSimultaneousRequests(RequetesSimultanees->value(), RequetesGallica->isChecked());
    const bool stored =
        m_context.settings().write(QStringLiteral("requetes"), QString::number(m_context.simultaneousRequests()))
        && m_context.settings().write(QStringLiteral("requetesgallica"),
                                      optionText(m_context.simultaneousAtLibrary()));
    if (!stored)
        m_context.desktop().error(m_context.settings().failureMessage());
}
