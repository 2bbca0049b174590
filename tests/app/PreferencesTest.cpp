// The preferences page: options stored at once, the download page's mirror boxes, the folder
// chooser and its failures.
#include "app/PreferencesPage.h"
#include "app/PrinterSetupDialog.h"
#include "session/AppContext.h"
#include "download/DownloadPage.h"
#include "support/TestWindow.h"
#include "widgets/CheckBox.h"

#include <QDir>
#include <QTemporaryDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <memory>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class Preferences : public ::testing::Test {
protected:
    void SetUp() override { t.start(); }
    PreferencesPage *prefs() const { return t.find<PreferencesPage>(QStringLiteral("spSkinTabSheet9")); }
    CheckBox *box(const char *name) const { return t.find<CheckBox>(QString::fromLatin1(name)); }
    bool chooserOpen() const { return t.find<QGroupBox>(QStringLiteral("spSkinGroupBox10"))->isVisibleTo(prefs()); }
    QString stored(const char *name) const
    {
        return QSettings(t.settingsFile(), QSettings::IniFormat).value(QLatin1String(name)).toString();
    }
    TestWindow t;
};

TEST_F(Preferences, OptionsAreStoredTheMomentTheyChange)
{
    box("PleinEcran")->click();
    EXPECT_EQ(stored("affichage"), QStringLiteral("0"));
    box("spSkinCheckRadioBox4")->click();
    EXPECT_EQ(stored("deconnexion"), QStringLiteral("0"));
    box("PleinEcran")->click();
    EXPECT_EQ(stored("affichage"), QStringLiteral("1"));
}

TEST_F(Preferences, DownloadPageBoxesMirrorThePreferences)
{
    t.window->showPage(4);
    EXPECT_TRUE(box("spSkinCheckRadioBox1")->isChecked());
    box("spSkinCheckRadioBox1")->click();   // the user unchecks it on the download page
    EXPECT_FALSE(box("spSkinCheckRadioBox3")->isChecked());
    EXPECT_FALSE(t.context().options().dialUnattended());
    EXPECT_EQ(stored("connexion"), QStringLiteral("0"));

    t.window->showPage(7);
    box("spSkinCheckRadioBox3")->click();
    box("spSkinCheckRadioBox4")->click();
    t.window->showPage(4);
    EXPECT_TRUE(box("spSkinCheckRadioBox1")->isChecked());
    EXPECT_FALSE(box("spSkinCheckRadioBox2")->isChecked());
    EXPECT_EQ(stored("deconnexion"), QStringLiteral("0"));
}

// An option set by the program (not by a box) shows in the boxes of both pages and is stored;
// the full-screen box sets the option the map view reads.
TEST_F(Preferences, SharedOptionsShowInEveryBoxAndAreStoredAsTheyChange)
{
    SharedOptions &options = t.context().options();
    QSignalSpy actions(box("spSkinCheckRadioBox2"), &CheckBox::clickAction);
    options.setHangUpAfterDownload(false);
    EXPECT_EQ(actions.count(), 0);   // shown, not clicked
    EXPECT_FALSE(box("spSkinCheckRadioBox4")->isChecked());
    EXPECT_FALSE(box("spSkinCheckRadioBox2")->isChecked());
    EXPECT_EQ(stored("deconnexion"), QStringLiteral("0"));
    options.setDialUnattended(false);
    EXPECT_FALSE(box("spSkinCheckRadioBox3")->isChecked());
    EXPECT_FALSE(box("spSkinCheckRadioBox1")->isChecked());
    EXPECT_EQ(stored("connexion"), QStringLiteral("0"));

    box("PleinEcran")->click();
    EXPECT_FALSE(options.fullScreenView());
    options.setFullScreenView(true);
    EXPECT_TRUE(box("PleinEcran")->isChecked());
    EXPECT_EQ(stored("affichage"), QStringLiteral("1"));
    EXPECT_TRUE(t.desktop.calls.empty());
}

TEST_F(Preferences, ChangerAlwaysOpensOnTheProgramFolder)
{
    QTemporaryDir elsewhere;
    t.context().setMapsRoot(elsewhere.path());
    t.click(QStringLiteral("spSkinButton42"));
    EXPECT_TRUE(chooserOpen());
    EXPECT_EQ(prefs()->chooserFolder(), QDir::cleanPath(t.programFolder()));
    t.click(QStringLiteral("spSkinButton40"));
    EXPECT_FALSE(chooserOpen());
    EXPECT_EQ(t.context().mapsRoot(), elsewhere.path());
    EXPECT_TRUE(stored("cartes").isEmpty());
}

TEST_F(Preferences, CreatingAFolderAndSavingItAsMapsRoot)
{
    t.click(QStringLiteral("spSkinButton42"));
    t.desktop.inputAnswers.push_back(QStringLiteral("Mes Cassini"));
    t.desktop.confirmAnswers.push_back(true);
    t.click(QStringLiteral("spSkinButton30"));
    const QString created = QDir::cleanPath(t.programFolder() + QStringLiteral("Mes Cassini"));
    EXPECT_TRUE(QFileInfo(created).isDir());
    const auto *question = t.desktop.last(QStringLiteral("confirm"));
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->text, QStringLiteral("La création du nouveau dossier est terminée. Voulez-vous l'enregistrer comme répertoire de sauvegarde ?"));
    EXPECT_EQ(question->caption, QStringLiteral("Création d'un nouveau dossier"));
    EXPECT_EQ(stored("cartes"), created);
    EXPECT_EQ(t.context().mapsRoot(), created);
    EXPECT_EQ(t.find<QLabel>(QStringLiteral("DirCartes"))->text(), created);
    EXPECT_FALSE(chooserOpen());
}

TEST_F(Preferences, CancellingTheQuestionLeavesTheChooserOnTheNewFolder)
{
    t.click(QStringLiteral("spSkinButton42"));
    t.desktop.inputAnswers.push_back(QStringLiteral("essai"));
    t.desktop.confirmAnswers.push_back(false);
    t.click(QStringLiteral("spSkinButton30"));
    EXPECT_EQ(prefs()->chooserFolder(), QDir::cleanPath(t.programFolder() + QStringLiteral("essai")));
    EXPECT_TRUE(chooserOpen());
    EXPECT_TRUE(stored("cartes").isEmpty());
}

TEST_F(Preferences, FailedFolderCreationsAreReported)
{
    t.click(QStringLiteral("spSkinButton42"));
    QDir(t.programFolder()).mkdir(QStringLiteral("existe"));
    for (const char *answer : {"", "existe", "a/b"}) {   // cancelled box, existing folder, two levels
        t.desktop.calls.clear();
        t.desktop.inputAnswers.push_back(QString::fromLatin1(answer));
        t.click(QStringLiteral("spSkinButton30"));
        ASSERT_EQ(t.desktop.kinds(), (QStringList{QStringLiteral("input"), QStringLiteral("message")})) << answer;
        EXPECT_EQ(t.desktop.calls.back().text, QStringLiteral("Création non effectuée"));
        EXPECT_EQ(t.desktop.calls.back().caption, QStringLiteral("Création d'un nouveau dossier"));
        EXPECT_EQ(prefs()->chooserFolder(), QDir::cleanPath(t.programFolder()));
    }
}

TEST_F(Preferences, SavingWithAnUnwritableSettingsFileKeepsTheMapsRoot)
{
    t.click(QStringLiteral("spSkinButton42"));
    QFile::remove(t.settingsFile());
    QDir().mkpath(t.settingsFile());   // the settings file can no longer be written
    t.click(QStringLiteral("spSkinButton41"));
    ASSERT_NE(t.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_EQ(t.desktop.last(QStringLiteral("error"))->text, QStringLiteral("Echec à la création de la clé ") + t.settingsFile());
    EXPECT_EQ(t.context().mapsRoot(), t.programFolder());
    EXPECT_TRUE(chooserOpen());
}

} // namespace

namespace {

// "Sélection de l'imprimante" chooses a printer: its dialog is titled and buttoned for that,
// and nothing in it offers to print.
TEST(PrinterSetup, DialogIsForChoosingNotPrinting)
{
    QPrinter printer;
    const std::unique_ptr<QPrintDialog> dialog(makePrinterSetupDialog(printer, nullptr));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Sélection de l'imprimante"));
    QStringList texts;
    for (const QPushButton *button : dialog->findChildren<QPushButton *>())
        texts << button->text().remove(u'&');
    EXPECT_TRUE(texts.contains(QStringLiteral("Choisir"))) << texts.join(u'|').toStdString();
    for (const QString &text : texts)
        EXPECT_FALSE(text.contains(QStringLiteral("Imprimer"), Qt::CaseInsensitive)
                     || text.contains(QStringLiteral("Print"), Qt::CaseInsensitive))
            << text.toStdString();
}

} // namespace

namespace {

// A long maps root is shortened in its middle to fit its label, in the label's font, with the
// whole path as tooltip.
TEST(MapsRootLabel, LongPathIsElidedInTheMiddleWithTheWholePathAsTooltip)
{
    testing_support::TestWindow t;
    t.start();
    QTemporaryDir dir;
    const QString deep = dir.path() + QStringLiteral("/") + QString(60, u'a') + QStringLiteral("/") + QString(60, u'b')
                         + QStringLiteral("/Fin des cartes");
    ASSERT_TRUE(QDir().mkpath(deep));
    t.context().setMapsRoot(deep);
    auto *label = t.find<QLabel>(QStringLiteral("DirCartes"));
    EXPECT_EQ(label->toolTip(), deep);
    EXPECT_TRUE(label->text().contains(QChar(0x2026)));
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("Fin des cartes")));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
}

} // namespace
