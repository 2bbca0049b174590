// What a person sees and touches, in the real window offscreen: disabled controls look
// disabled, every control runs its action through the accessibility interface, Qt's
// dialogs speak French, the Cassini page acts on the sheet it names, the keyboard reaches
// every page and drives the views, and the wheel scrolls the view from anywhere in it.
#include "app/PreferencesPage.h"
#include "widgets/StatusBar.h"
#include "app/Translations.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/CassiniCatalogue.h"
#include "catalogue/CassiniPage.h"
#include "download/DownloadPage.h"
#include "print/PrintPanel.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "view/MapViewer.h"
#include "widgets/CheckBox.h"
#include "widgets/NumberButton.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class Look : public ::testing::Test {
protected:
    TestWindow w{{{QStringLiteral("affichage"), QStringLiteral("0")}}};
    void SetUp() override
    {
        w.installSkin();
        w.start();
        w.window->show();
        w.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get(), 30000));
    }
    void writeSheet()
    {
        writeTiles(w.context().selectedMapFolder(), firstTiles(store::kTileCount), 64, 48);
        w.context().refreshSelectionStatus();
    }
    QScrollArea *scrollBox() { return w.find<QScrollArea>(QStringLiteral("ScrollBox1")); }
    QPoint scroll()
    {
        return {scrollBox()->horizontalScrollBar()->value(), scrollBox()->verticalScrollBar()->value()};
    }
};

void accessibleAction(QWidget *widget, const QString &action)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->actionInterface(), nullptr);
    ASSERT_TRUE(face->actionInterface()->actionNames().contains(action)) << widget->objectName().toStdString();
    face->actionInterface()->doAction(action);
}

// Disabled controls are drawn in the disabled colours of the skin, not as enabled ones.
TEST_F(Look, DisabledControlsLookDisabled)
{
    const QPalette palette = QApplication::palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        EXPECT_NE(palette.color(QPalette::Disabled, role), palette.color(QPalette::Active, role)) << role;

    const std::pair<int, const char *> disabled[] = {
        {3, "spSkinButton53"},   // "Suivant" before a search
        {4, "spSkinButton31"},   // "Télécharger" before a list
        {4, "spSkinButton9"},    // "Arrêter" with nothing running
    };
    for (const auto &[page, name] : disabled) {
        w.window->showPage(page);
        auto *button = w.find<QPushButton>(QString::fromLatin1(name));
        ASSERT_FALSE(button->isEnabled()) << name;
        const QImage off = button->grab().toImage();
        button->setEnabled(true);
        const QImage on = button->grab().toImage();
        button->setEnabled(false);
        EXPECT_NE(off, on) << name << " looks the same disabled and enabled";
    }
}

// What a screen reader does: toggling a check box, picking a radio item. The action runs,
// once, as it does for a click.
TEST_F(Look, AccessibilityToggleRunsEachControlsActionOnce)
{
    struct Box { int page; const char *name; const char *setting; };
    const Box boxes[] = {
        {7, "spSkinCheckRadioBox3", "connexion"},   // " Connexion automatique" on Préférences
        {7, "spSkinCheckRadioBox4", "deconnexion"},
        {7, "PleinEcran", "affichage"},
        {4, "spSkinCheckRadioBox1", "connexion"},   // its twin on Téléchargement
        {4, "spSkinCheckRadioBox2", "deconnexion"},
    };
    for (const Box &b : boxes) {
        SCOPED_TRACE(b.name);
        w.window->showPage(b.page);
        auto *box = w.find<CheckBox>(QString::fromLatin1(b.name));
        QSignalSpy runs(box, &CheckBox::clickAction);
        const bool before = box->isChecked();
        accessibleAction(box, QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(box->isChecked(), !before);
        EXPECT_EQ(runs.count(), 1);
        EXPECT_EQ(w.settings->read(QString::fromLatin1(b.setting)), before ? QStringLiteral("0") : QStringLiteral("1"));
    }

    // "Nouvelle édition noir et blanc.": sheet 1 selected and the 14 sheets without it hidden.
    w.window->showPage(2);
    w.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(57))->click();
    auto *group = w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup2"));
    QSignalSpy picked(group, &RadioGroup::clicked);
    accessibleAction(group->item(1), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(w.context().selection().sheetNumber, QStringLiteral("1"));
    EXPECT_EQ(w.context().selection().editionFolder, editions::kBlackAndWhite);
    ASSERT_EQ(cassini::sheetsWithoutBlackAndWhite().size(), 14u);
    for (int sheet : cassini::sheetsWithoutBlackAndWhite())
        EXPECT_TRUE(w.find<NumberButton>(QStringLiteral("SpeedButton%1").arg(sheet))->isHidden()) << sheet;

    // The keyboard and the mouse run it once too; a click on the item already picked runs it.
    QTest::keyClick(group->item(0), Qt::Key_Space);
    EXPECT_EQ(picked.count(), 2);
    EXPECT_EQ(w.context().selection().editionFolder, editions::kColour);
    QTest::mouseClick(group->item(0), Qt::LeftButton, {}, QPoint(6, group->item(0)->height() / 2));
    EXPECT_EQ(picked.count(), 3);
    // Setting the item from code runs nothing.
    group->setItemIndex(1);
    EXPECT_EQ(picked.count(), 3);
    group->setItemIndex(0);

    // The print panel's orientation acts on the printer.
    w.window->printPanel()->printImage(QImage(40, 30, QImage::Format_RGB32), QStringLiteral("Vue"));
    auto *orientation = w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup1"));
    accessibleAction(orientation->item(1), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(w.window->printer().pageLayout().orientation(), QPageLayout::Portrait);
}

// Qt's standard dialogs speak French once the translations are installed.
TEST(Translations, StandardDialogsSpeakFrench)
{
    ASSERT_TRUE(installFrenchQtTranslations(*qApp));
    QFileDialog dialog(nullptr, QStringLiteral("Enregistrer sous"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto *look = dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
    ASSERT_NE(look, nullptr);
    EXPECT_NE(look->text(), QStringLiteral("Look in:"));
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&'), QStringLiteral("Annuler"));
}

// After an archive map was chosen, the Cassini page names the sheet it acts on, and its
// buttons act on that sheet.
TEST_F(Look, CassiniPageActsOnTheSheetItNames)
{
    writeSheet();
    w.window->showPage(3);
    w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"))->setCurrentRow(11);   // selects its map
    ASSERT_TRUE(w.context().selection().isArchive());

    w.window->showPage(2);
    const QString caption = w.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title();
    EXPECT_EQ(caption, QStringLiteral("Carte 1 sélectionnée"));
    EXPECT_FALSE(w.context().selection().isArchive());
    w.click(QStringLiteral("spSkinButton16"));   // "Afficher l'aperçu"
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Carte de Cassini n° 1 - Bnf/Gallica"));
}

// Every page's buttons, check boxes and radio items carry a mnemonic of their own; the
// window's close button is there and closes the program's window.
TEST_F(Look, PagesHaveMnemonicsAndTheWindowACloseButton)
{
    for (int page = 0; page < 9; ++page) {
        QSet<QChar> letters;
        for (QAbstractButton *button : w.window->page(page)->findChildren<QAbstractButton *>()) {
            if (qobject_cast<NumberButton *>(button) || button->text().trimmed().isEmpty()
                || button->property("noMnemonic").toBool() || button->objectName().startsWith(u"qt_"))
                continue;
            const QString text = button->text();
            const int amp = int(text.indexOf(u'&'));
            ASSERT_GE(amp, 0) << page << " " << text.toStdString();
            const QChar letter = text.at(amp + 1).toUpper();
            EXPECT_FALSE(letters.contains(letter)) << page << " " << text.toStdString();
            letters.insert(letter);
        }
    }
    // Alt + its letter presses a button: "Préférences" on the home page.
    w.window->showPage(0);
    auto *preferences = w.find<QPushButton>(QStringLiteral("spSkinButton1"));
    const QString text = preferences->text();
    const QChar letter = text.at(text.indexOf(u'&') + 1);
    QSignalSpy pressed(preferences, &QAbstractButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(letter.toUpper().unicode()), Qt::AltModifier);
    ASSERT_TRUE(pressed.count() == 1 || pressed.wait(30000));   // a mnemonic clicks as an animation
    EXPECT_EQ(w.window->pageControl()->currentIndex(), 7);

    EXPECT_TRUE(w.window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w.window->close());
    EXPECT_FALSE(w.window->isVisible());
}

// In a view: arrows pan by 20 pixels, Page Up/Down by a screen, Ctrl+C copies, Ctrl+S
// saves, Ctrl+P prints, Échap closes the view.
TEST_F(Look, ViewKeys)
{
    writeSheet();
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton2"));   // the detail
    ASSERT_TRUE(scrollBox()->isVisible());
    QApplication::processEvents();
    QWidget *surface = w.find(QStringLiteral("ZoneClic"));
    surface->setFocus();
    const QPoint start = scroll();
    const int screen = scrollBox()->viewport()->height();
    const struct { Qt::Key key; QPoint moved; } keys[] = {
        {Qt::Key_Right, {20, 0}}, {Qt::Key_Down, {0, 20}}, {Qt::Key_Right, {20, 0}}, {Qt::Key_Left, {-20, 0}},
        {Qt::Key_Down, {0, 20}}, {Qt::Key_Up, {0, -20}},
    };
    QPoint expected = start;
    for (const auto &k : keys) {
        expected += k.moved;
        QTest::keyClick(surface, k.key);
        EXPECT_EQ(scroll(), expected) << k.key;
    }
    QTest::keyClick(surface, Qt::Key_PageDown);
    EXPECT_EQ(scroll(), expected + QPoint(0, screen));
    QTest::keyClick(surface, Qt::Key_PageUp);
    EXPECT_EQ(scroll(), expected);

    QTest::keyClick(surface, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(w.desktop.clipboard.isNull());
    QTest::keyClick(surface, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(w.desktop.kinds().contains(QStringLiteral("save")));
    QTest::keyClick(surface, Qt::Key_P, Qt::ControlModifier);
    QWidget *printPanel = w.find(QStringLiteral("VisuImp"));
    EXPECT_TRUE(printPanel->isVisible());
    // Échap while the print panel is open is its "Annuler", from the panel or the map; the view stays.
    for (QWidget *focus : {w.find(QStringLiteral("spSkinEdit7")), surface}) {
        QTest::keyClick(surface, Qt::Key_P, Qt::ControlModifier);
        ASSERT_TRUE(printPanel->isVisible());
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(printPanel->isVisible()) << focus->objectName().toStdString();
        EXPECT_TRUE(scrollBox()->isVisible());
    }
    surface->setFocus();
    QTest::keyClick(surface, Qt::Key_Escape);
    EXPECT_FALSE(scrollBox()->isVisible());
    EXPECT_TRUE(w.window->pageControl()->isVisible());
}

// One notch of the wheel moves the detail 20 pixels down, wherever the pointer is in the
// view's window.
TEST_F(Look, WheelScrollsTheViewFromAnywhereInItsWindow)
{
    writeSheet();
    w.window->showPage(2);
    w.click(QStringLiteral("spSkinButton2"));
    ASSERT_TRUE(scrollBox()->isVisible());
    const char *places[] = {"ZoneClic", "ScrollBox1", "spSkinStatusBar1", "spSkinMainMenuBar1", "spSkinEdit5"};
    QList<QWidget *> targets;
    for (const char *name : places)
        targets << w.find(QString::fromLatin1(name));
    targets << scrollBox()->verticalScrollBar() << scrollBox()->horizontalScrollBar() << w.window->centralWidget();
    for (QWidget *target : targets) {
        const QPoint before = scroll();
        const QPoint local(2, 2);
        QWheelEvent notch(QPointF(local), QPointF(target->mapToGlobal(local)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &notch);
        EXPECT_EQ(scroll(), before + QPoint(0, 20)) << target->objectName().toStdString();
    }
}

} // namespace
