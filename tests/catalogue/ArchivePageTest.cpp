// The page "Autres cartes" in the real window: selecting a map, its sheet index, the
// search, the check marks, the library page and the hand-over of the selection. Also the
// library page button of the Cassini page.
#include "widgets/StatusBar.h"
#include "catalogue/ArchivePage.h"
#include "catalogue/AddedMaps.h"
#include "session/AppContext.h"
#include "catalogue/CassiniPage.h"
#include "catalogue/InstallationStatus.h"
#include "store/TileStore.h"
#include "support/TestWindow.h"
#include "widgets/ColourSquare.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using testing_support::TestWindow;

namespace {

const QString kCaption = QStringLiteral("Consultation d'une carte dans les archives Bnf/Gallica");
const QString kNoMatch = QStringLiteral(" Recherche terminée sans résultat.");
const QString kPageUrl = QStringLiteral("http://gallica.bnf.fr/scripts/ConsultationTout.exe?E=0&O=077");

class ArchivePageTest : public ::testing::Test {
protected:
    void SetUp() override { start(); }

    void start()
    {
        w.start();
        w.window->show();
        w.window->showPage(3);
        page = w.window->archive();
        list = w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    }

    const SelectionState &selection() { return w.context().selection(); }
    // Leaves the document number of the archive map at `position` in the selection, as a
    // look-up for that map did before another map was selected.
    void leaveDocumentNumberOf(int position)
    {
        const SheetId selected = selection().sheet();
        w.context().select(SheetId::archive(position, 1));
        w.context().lookUpDocumentNumber();
        w.context().select(selected);
    }
    QString archiveRoot() const { return w.programFolder() + QStringLiteral("Archives Bnf"); }

    // A mouse click on the row of a 1-based position.
    void clickPosition(int position)
    {
        QListWidgetItem *item = list->item(position - 1);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    void search(const QString &text)
    {
        w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->setText(text);
        w.find<QPushButton>(QStringLiteral("spSkinButton52"))->click();
    }

    // Types into the sheet index field as a user would, replacing its text.
    void typeSheetIndex(const QString &text)
    {
        QLineEdit *edit = w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->findChild<QLineEdit *>();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    QColor installedSquare() const { return w.find<ColourSquare>(QStringLiteral("Shape69"))->colour(); }

    TestWindow w;
    ArchivePage *page = nullptr;
    QListWidget *list = nullptr;
};

TEST_F(ArchivePageTest, StartsWithTheListAndNothingHighlighted)
{
    ASSERT_EQ(list->count(), 1924);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("33 cartes - Atlas Coelestis"));
    EXPECT_EQ(list->item(814)->text(), QStringLiteral("2 cartes - Plan de Dunkerque 1751"));
    EXPECT_EQ(page->highlightedRow(), -1);
    EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox11"))->title(), kCaption);
    EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());
    EXPECT_EQ(w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->minimum(), 1);
    EXPECT_EQ(w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->maximum(), 100);
    EXPECT_EQ(w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->value(), 1);
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Sélection d'une carte dans les archives Bnf/Gallica"));
    EXPECT_EQ(w.context().currentPageNumber(), 4);
    // The selection is still the Cassini sheet of the start.
    EXPECT_EQ(selection().editionFolder, editions::kColour);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
}

TEST_F(ArchivePageTest, ClickingATitleSelectsItsFirstSheet)
{
    leaveDocumentNumberOf(1504);
    ASSERT_EQ(selection().documentNumber, QStringLiteral("11504"));
    clickPosition(12);
    EXPECT_EQ(page->highlightedRow(), 11);
    EXPECT_EQ(selection().editionFolder, editions::kArchive);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("12"));
    EXPECT_EQ(selection().folderSuffix, QStringLiteral("\\F001"));
    EXPECT_EQ(selection().documentNumber, QStringLiteral("11504"));   // computed only when needed
    EXPECT_EQ(selection().installationState, ArchiveEmpty);
    EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox11"))->title(), kCaption + QStringLiteral(" - Carte n° 12"));
    EXPECT_EQ(installedSquare(), colours::kDarkRed);
    // A click never sets a check mark.
    EXPECT_EQ(list->item(11)->checkState(), Qt::Unchecked);

    // Clicking the highlighted row again runs the selection again: the index goes back to 1.
    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(5);
    ASSERT_EQ(selection().folderSuffix, QStringLiteral("\\F005"));
    clickPosition(12);
    EXPECT_EQ(w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->value(), 1);
    EXPECT_EQ(selection().folderSuffix, QStringLiteral("\\F001"));

    // The keyboard selects the row it moves to.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("13"));
    EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox11"))->title(), kCaption + QStringLiteral(" - Carte n° 13"));
}

TEST_F(ArchivePageTest, SheetIndexGivesTheSuffixAndRefreshesTheIndicator)
{
    testing_support::writeTiles(archiveRoot() + QStringLiteral("/Carte12/F010"), testing_support::firstTiles(3));
    testing_support::writeTiles(archiveRoot() + QStringLiteral("/Carte12/F100"),
                                testing_support::firstTiles(store::kTileCount));
    clickPosition(12);
    ASSERT_EQ(installedSquare(), colours::kDarkRed);

    struct Case { int index; QString suffix; QColor colour; int state; };
    const Case cases[] = {
        {10, QStringLiteral("\\F010"), colours::kFuchsia, ArchiveWithTiles},
        {1, QStringLiteral("\\F001"), colours::kDarkRed, ArchiveEmpty},
        {12, QStringLiteral("\\F012"), colours::kDarkRed, ArchiveEmpty},
        {100, QStringLiteral("\\F100"), colours::kGreen, ArchiveWithTiles},
    };
    for (const Case &c : cases) {
        w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(c.index);
        EXPECT_EQ(selection().folderSuffix, c.suffix) << c.index;
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("12")) << c.index;
        EXPECT_EQ(installedSquare(), c.colour) << c.index;
        EXPECT_EQ(selection().installationState, c.state) << c.index;
    }
    // A complete archive sheet also lights the "676 images" square of the Cassini page.
    EXPECT_EQ(w.find<ColourSquare>(QStringLiteral("Shape2"))->colour(), colours::kGreen);
}

TEST_F(ArchivePageTest, TypedIndexOutsideOneToHundredNeverReachesTheFolderName)
{
    clickPosition(7);
    struct Case { QString typed; QString suffix; };
    const Case cases[] = {
        {QStringLiteral("7"), QStringLiteral("\\F007")},
        {QStringLiteral("12"), QStringLiteral("\\F012")},
        {QStringLiteral("100"), QStringLiteral("\\F100")},
        {QString(), QStringLiteral("\\F100")},        // an emptied field keeps the suffix
        {QStringLiteral("1000"), QStringLiteral("\\F100")},
        {QStringLiteral("0"), QStringLiteral("\\F100")},
    };
    for (const Case &c : cases) {
        typeSheetIndex(c.typed);
        EXPECT_EQ(selection().folderSuffix, c.suffix) << c.typed.toStdString();
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("7")) << c.typed.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(archiveRoot() + QStringLiteral("/Carte7/F1000")));
}

TEST_F(ArchivePageTest, SearchFindsFourThenFiveThenEndsWithoutWrapping)
{
    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(3);
    search(QStringLiteral("bretagne"));
    EXPECT_EQ(page->highlightedRow(), 3);
    EXPECT_EQ(selection().editionFolder, editions::kArchive);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("4"));
    EXPECT_EQ(selection().folderSuffix, QStringLiteral("\\F001"));
    EXPECT_EQ(w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->value(), 1);
    EXPECT_EQ(selection().documentNumber, QStringLiteral("10004"));
    EXPECT_EQ(selection().installationState, ArchiveEmpty);
    EXPECT_EQ(w.find<QGroupBox>(QStringLiteral("spSkinGroupBox11"))->title(), kCaption + QStringLiteral(" - Carte n° 4"));
    EXPECT_EQ(page->searchResumePosition(), 4);
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
    EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());

    w.find<QPushButton>(QStringLiteral("spSkinButton53"))->click();
    EXPECT_EQ(page->highlightedRow(), 4);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("5"));
    EXPECT_EQ(selection().documentNumber, QStringLiteral("10005"));
    EXPECT_EQ(page->searchResumePosition(), 5);
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
    EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());

    // The scan goes on after 5 and ends at the bottom: no wrap back to 4.
    w.find<QPushButton>(QStringLiteral("spSkinButton53"))->click();
    EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->text(), kNoMatch);
    EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("5"));
    EXPECT_EQ(selection().documentNumber, QStringLiteral("10005"));
}

TEST_F(ArchivePageTest, SearchFoldsOnlyUnaccentedLetters)
{
    struct Case { QString text; int found; };   // 1-based position, 0 for none
    const Case cases[] = {
        {QStringLiteral("BRETAGNE"), 4},
        {QStringLiteral("BrEtAgNe"), 4},
        {QStringLiteral("générale"), 3},
        {QStringLiteral("GéNéRALE"), 3},
        {QStringLiteral("GÉNÉRALE"), 0},
        {QStringLiteral("CÔTES"), 0},
        {QStringLiteral("côtes"), 3},
        {QStringLiteral("dunkerque 1751"), 815},
        {QStringLiteral("ECCLÉSIASTIQUE"), 0},
        {QStringLiteral("ecclésiastique"), 44},
        {QString(), 0},
        {QStringLiteral("no such title"), 0},
    };
    for (const Case &c : cases) {
        // Start from a known selection each time.
        clickPosition(2);
        search(c.text);
        if (c.found) {
            EXPECT_EQ(selection().sheetNumber, QString::number(c.found)) << c.text.toStdString();
            EXPECT_EQ(page->highlightedRow(), c.found - 1) << c.text.toStdString();
            EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->text(), c.text);
        } else {
            // No match: the message, the buttons reset, the previous selection kept and the
            // first row highlighted without being selected.
            EXPECT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->text(), kNoMatch) << c.text.toStdString();
            EXPECT_EQ(selection().sheetNumber, QStringLiteral("2")) << c.text.toStdString();
            EXPECT_EQ(page->highlightedRow(), 0) << c.text.toStdString();
            EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
            EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());
        }
    }
}

TEST_F(ArchivePageTest, EditingTheSearchTextStartsAgainFromTheTop)
{
    search(QStringLiteral("bretagne"));
    ASSERT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());
    QTest::keyClick(w.find<QLineEdit>(QStringLiteral("spSkinEdit1")), Qt::Key_Backspace);
    EXPECT_TRUE(w.find<QPushButton>(QStringLiteral("spSkinButton52"))->isEnabled());
    EXPECT_FALSE(w.find<QPushButton>(QStringLiteral("spSkinButton53"))->isEnabled());
    w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->setText(QStringLiteral("Bretagne"));
    w.find<QPushButton>(QStringLiteral("spSkinButton52"))->click();
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("4"));
}

TEST_F(ArchivePageTest, CheckMarksFollowTheMapFolders)
{
    QDir().mkpath(archiveRoot() + QStringLiteral("/Carte2"));   // an empty folder counts
    testing_support::writeTiles(archiveRoot() + QStringLiteral("/Carte815/F001"), {0});
    list->item(9)->setCheckState(Qt::Checked);                  // no folder: unchecked again

    w.find<QPushButton>(QStringLiteral("spSkinButton27"))->click();
    QList<int> checked;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->checkState() == Qt::Checked)
            checked << row + 1;
    EXPECT_EQ(checked, (QList<int>{2, 815}));
    EXPECT_FALSE(list->item(0)->flags() & Qt::ItemIsUserCheckable);

    w.find<QPushButton>(QStringLiteral("spSkinButton21"))->click();
    for (int row = 0; row < list->count(); ++row)
        ASSERT_EQ(list->item(row)->checkState(), Qt::Unchecked) << row;
}

TEST_F(ArchivePageTest, LibraryPageOfTheSelectedMap)
{
    clickPosition(815);
    w.find<QPushButton>(QStringLiteral("spSkinButton22"))->click();
    ASSERT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("open")});
    EXPECT_EQ(w.desktop.calls.back().text, kPageUrl + QStringLiteral("10815"));
    EXPECT_EQ(selection().documentNumber, QStringLiteral("10815"));

    clickPosition(1);
    w.find<QPushButton>(QStringLiteral("spSkinButton22"))->click();
    EXPECT_EQ(w.desktop.calls.back().text, kPageUrl + QStringLiteral("10001"));
}

TEST_F(ArchivePageTest, LibraryPageAfterAFailedSearchIsTheHighlightedRowsMap)
{
    clickPosition(815);
    search(QStringLiteral("aucune carte de ce nom"));
    ASSERT_EQ(w.find<QLineEdit>(QStringLiteral("spSkinEdit1"))->text(), kNoMatch);
    ASSERT_EQ(page->highlightedRow(), 0);
    w.find<QPushButton>(QStringLiteral("spSkinButton22"))->click();
    EXPECT_EQ(w.desktop.calls.back().text, kPageUrl + QStringLiteral("10001"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("1"));
}

TEST_F(ArchivePageTest, LibraryPageWhileACassiniSheetIsSelected)
{
    // Nothing highlighted: no page to open.
    w.find<QPushButton>(QStringLiteral("spSkinButton22"))->click();
    EXPECT_TRUE(w.desktop.calls.empty());
    EXPECT_EQ(selection().editionFolder, editions::kColour);

    // A map highlighted, then a Cassini sheet chosen: the highlighted map's page, not the
    // archive entry that has the Cassini sheet's number.
    clickPosition(44);
    w.window->statusBarWidget()->setSheetNumber(57);
    ASSERT_EQ(selection().editionFolder, editions::kColour);
    w.find<QPushButton>(QStringLiteral("spSkinButton22"))->click();
    EXPECT_EQ(w.desktop.calls.back().text, kPageUrl + QStringLiteral("10044"));
    EXPECT_EQ(selection().editionFolder, editions::kArchive);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("44"));
}

TEST_F(ArchivePageTest, ButtonsDoNothingWithoutAHighlightedRow)
{
    QSignalSpy download(page, &ArchivePage::downloadRequested);
    QSignalSpy preview(page, &ArchivePage::previewRequested);
    QSignalSpy detail(page, &ArchivePage::detailRequested);
    QSignalSpy print(page, &ArchivePage::printRequested);
    w.desktop.folderAnswers.push_back(w.programFolder());
    const SelectionState before = selection();

    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(4);
    for (QPushButton *b : {w.find<QPushButton>(QStringLiteral("spSkinButton22")), w.find<QPushButton>(QStringLiteral("spSkinButton23")), w.find<QPushButton>(QStringLiteral("spSkinButton26")),
                           w.find<QPushButton>(QStringLiteral("spSkinButton24")), w.find<QPushButton>(QStringLiteral("spSkinButton25")), w.find<QPushButton>(QStringLiteral("spSkinButton7"))})
        b->click();

    EXPECT_EQ(download.count() + preview.count() + detail.count() + print.count(), 0);
    EXPECT_TRUE(w.desktop.calls.empty());
    EXPECT_EQ(QDir(archiveRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(selection().editionFolder, before.editionFolder);
    EXPECT_EQ(selection().sheetNumber, before.sheetNumber);
    EXPECT_EQ(selection().folderSuffix, before.folderSuffix);
}

TEST_F(ArchivePageTest, HandOverMakesTheHighlightedMapTheSelection)
{
    struct Case { QPushButton *button; void (ArchivePage::*signal)(); bool documentNumber; };
    const Case cases[] = {
        {w.find<QPushButton>(QStringLiteral("spSkinButton23")), &ArchivePage::downloadRequested, true},
        {w.find<QPushButton>(QStringLiteral("spSkinButton24")), &ArchivePage::previewRequested, false},
        {w.find<QPushButton>(QStringLiteral("spSkinButton25")), &ArchivePage::detailRequested, false},
        {w.find<QPushButton>(QStringLiteral("spSkinButton7")), &ArchivePage::printRequested, false},
    };
    testing_support::writeTiles(archiveRoot() + QStringLiteral("/Carte12/F007"), {0, 1});
    for (const Case &c : cases) {
        const QString name = c.button->objectName();
        clickPosition(12);
        w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(7);
        // Another selection in between: the button takes the highlighted map again.
        w.window->statusBarWidget()->setSheetNumber(30);
        leaveDocumentNumberOf(1540);
        ASSERT_EQ(selection().documentNumber, QStringLiteral("11540"));
        QSignalSpy spy(page, c.signal);
        c.button->click();
        EXPECT_EQ(spy.count(), 1) << name.toStdString();
        EXPECT_EQ(selection().editionFolder, editions::kArchive) << name.toStdString();
        EXPECT_EQ(selection().sheetNumber, QStringLiteral("12")) << name.toStdString();
        EXPECT_EQ(selection().folderSuffix, QStringLiteral("\\F007")) << name.toStdString();
        EXPECT_EQ(selection().installationState, ArchiveWithTiles) << name.toStdString();
        EXPECT_EQ(selection().documentNumber, c.documentNumber ? QStringLiteral("10012") : QStringLiteral("11540"))
            << name.toStdString();
    }
}

TEST_F(ArchivePageTest, ImportCreatesTheMapFolderAndCopiesTheTiles)
{
    QTemporaryDir backup;
    const QByteArray first = testing_support::jpegBytes(16, 12, Qt::blue);
    const QByteArray last = testing_support::jpegBytes(16, 12, Qt::green);
    testing_support::writeFile(backup.path() + QStringLiteral("/MAXI_AA.jpg"), first);
    testing_support::writeFile(backup.path() + QStringLiteral("/MAXI_ZZ.jpg"), last);
    w.desktop.folderAnswers.push_back(backup.path());

    clickPosition(12);
    w.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(3);
    w.find<QPushButton>(QStringLiteral("spSkinButton26"))->click();

    EXPECT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("browse")});   // nothing to overwrite
    const QString folder = archiveRoot() + QStringLiteral("/Carte12/F003");
    EXPECT_EQ(testing_support::readFile(folder + QStringLiteral("/MAXI_AA.jpg")), first);
    EXPECT_EQ(testing_support::readFile(folder + QStringLiteral("/MAXI_ZZ.jpg")), last);
    EXPECT_EQ(store::tileCount(folder), 2);
    EXPECT_EQ(selection().installationState, ArchiveWithTiles);
    EXPECT_EQ(installedSquare(), colours::kFuchsia);

    // Again over the installed map: a warning first; Cancel skips the import.
    w.desktop.confirmAnswers.push_back(false);
    w.find<QPushButton>(QStringLiteral("spSkinButton26"))->click();
    EXPECT_EQ(w.desktop.kinds(), (QStringList{QStringLiteral("browse"), QStringLiteral("confirm")}));
    EXPECT_EQ(w.desktop.calls.back().text, QStringLiteral("Attention !!! L'importation va effacer la carte déjà installée..."));
    EXPECT_EQ(w.desktop.calls.back().caption, QStringLiteral("Réimportation d'une Carte"));
}

TEST_F(ArchivePageTest, ImportCancelledStillCreatesTheMapsOwnFolder)
{
    clickPosition(20);
    w.find<QPushButton>(QStringLiteral("spSkinButton26"))->click();   // the folder browser is cancelled
    EXPECT_TRUE(QFileInfo(archiveRoot() + QStringLiteral("/Carte20")).isDir());
    EXPECT_EQ(w.desktop.kinds(), QStringList{QStringLiteral("browse")});
    EXPECT_EQ(selection().installationState, ArchiveEmpty);
}

TEST_F(ArchivePageTest, DownloadDisablesWhatWouldDisturbIt)
{
    QPushButton *disturbing[] = {w.find<QPushButton>(QStringLiteral("spSkinButton23")), w.find<QPushButton>(QStringLiteral("spSkinButton26")), w.find<QPushButton>(QStringLiteral("spSkinButton7")),
                                 w.find<QPushButton>(QStringLiteral("spSkinButton24")), w.find<QPushButton>(QStringLiteral("spSkinButton25"))};
    QPushButton *others[] = {w.find<QPushButton>(QStringLiteral("spSkinButton22")), w.find<QPushButton>(QStringLiteral("spSkinButton27")), w.find<QPushButton>(QStringLiteral("spSkinButton21")),
                             w.find<QPushButton>(QStringLiteral("spSkinButton52"))};
    w.context().setDownloadRunning(true);
    for (QPushButton *b : disturbing)
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    for (QPushButton *b : others)
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    w.context().setDownloadRunning(false);
    for (QPushButton *b : disturbing)
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
}

// A replacement list beside the program is taken only with exactly 1924 lines.
class ArchiveTitleFileTest : public ArchivePageTest {
protected:
    void SetUp() override {}
    void writeTitles(int count)
    {
        QByteArray bytes;
        for (int i = 1; i <= count; ++i)
            bytes += QStringLiteral("Carte ancienne n° %1\n").arg(i).toUtf8();
        testing_support::writeFile(w.programFolder() + QStringLiteral("archive-titles.txt"), bytes);
    }
};

TEST_F(ArchiveTitleFileTest, FileOfTheListLengthReplacesTheBuiltInTitles)
{
    writeTitles(1924);
    start();
    ASSERT_EQ(list->count(), 1924);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Carte ancienne n° 1"));
    EXPECT_EQ(list->item(1923)->text(), QStringLiteral("Carte ancienne n° 1924"));
    search(QStringLiteral("ANCIENNE N° 815"));
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("815"));
    EXPECT_EQ(selection().documentNumber, QStringLiteral("10815"));
}

TEST_F(ArchiveTitleFileTest, FileOfAnotherLengthIsIgnored)
{
    writeTitles(1925);
    start();
    ASSERT_EQ(list->count(), 1924);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("33 cartes - Atlas Coelestis"));
}

// "Voir la page Bnf/Gallica" on the Cassini page looks the document number up first.
TEST_F(ArchivePageTest, CassiniLibraryPageLooksTheDocumentNumberUp)
{
    w.window->showPage(2);
    struct Case { int edition; int sheet; QString documentNumber; };
    const Case cases[] = {
        {0, 57, QStringLiteral("11567")},
        {1, 15, QStringLiteral("11691")},
        {1, 170, QStringLiteral("10170")},
        {0, 136, QStringLiteral("11642")},
    };
    for (const Case &c : cases) {
        w.find<RadioGroup>(QStringLiteral("spSkinRadioGroup2"))->click(c.edition);
        w.window->statusBarWidget()->setSheetNumber(c.sheet);
        leaveDocumentNumberOf(4);   // a stale number from elsewhere
        ASSERT_EQ(selection().documentNumber, QStringLiteral("10004"));
        w.find<QPushButton>(QStringLiteral("spSkinButton3"))->click();
        EXPECT_EQ(w.desktop.calls.back().kind, QStringLiteral("open"));
        EXPECT_EQ(w.desktop.calls.back().text, kPageUrl + c.documentNumber) << c.sheet;
        EXPECT_EQ(selection().documentNumber, c.documentNumber) << c.sheet;
    }
}

} // namespace

namespace {

// Added maps: the highlight stays on the map chosen when the list of added maps is read
// again, and "Retirer la carte" takes a map off with its position kept free, its tiles
// deleted or kept as the person answers.
TEST_F(ArchivePageTest, AddedMapsKeepTheHighlightAndAreRemovedWithTheirPositionKept)
{
    const QString root = w.context().mapsRoot();
    {
        QFile file(catalogue::AddedMaps::filePath(root));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Archives Bnf\t1925\tAtlas\thttp://h/a\t10 x 10\nArchives Bnf\t1926\tPlan\thttp://h/b\t10 x 10\n"
                   "Archives Bnf\t1927\tVue\thttp://h/c\t10 x 10\n");
    }
    w.context().setMapsRoot(root);
    ASSERT_EQ(list->count(), 1927);
    clickPosition(1926);
    ASSERT_EQ(selection().sheetNumber, QStringLiteral("1926"));

    // Another change of the added maps: the same row stays highlighted.
    w.context().addedMaps().setSheet(SheetId::cassini(editions::kColour, 5),
                                     {QStringLiteral("http://h/p"), QSize(5, 5), {}});
    ASSERT_TRUE(w.context().saveAddedMaps());
    EXPECT_EQ(page->highlightedRow(), 1925);
    EXPECT_EQ(selection().sheetNumber, QStringLiteral("1926"));

    auto *remove = list->findChild<QAction *>(QStringLiteral("RetirerCarte"));
    ASSERT_TRUE(remove);
    const struct {
        int position;
        bool deleteTiles;
    } cases[] = {{1926, false}, {1925, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.position);
        const QString folder = store::mapFolder(root, SheetId::archive(c.position, 1));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile tile(folder + QStringLiteral("/MAXI_AA.jpg"));
        ASSERT_TRUE(tile.open(QIODevice::WriteOnly));
        tile.close();
        clickPosition(c.position);
        ASSERT_TRUE(remove->isEnabled());
        w.desktop.confirmAnswers = {true, c.deleteTiles};
        remove->trigger();
        EXPECT_EQ(w.desktop.last(QStringLiteral("confirm"))->caption, QStringLiteral("Retirer la carte"));
        EXPECT_EQ(list->item(c.position - 1)->text(), QStringLiteral("(carte retirée)"));
        EXPECT_FALSE(list->item(c.position - 1)->flags().testFlag(Qt::ItemIsEnabled));
        EXPECT_EQ(QFileInfo::exists(folder), !c.deleteTiles);
    }
    // The later map keeps its number; a question answered "no" removes nothing.
    EXPECT_EQ(list->item(1926)->text(), QStringLiteral("Vue"));
    clickPosition(1927);
    w.desktop.confirmAnswers = {false};
    remove->trigger();
    EXPECT_EQ(list->item(1926)->text(), QStringLiteral("Vue"));
    // Catalogue maps cannot be removed.
    clickPosition(3);
    EXPECT_FALSE(remove->isEnabled());

    catalogue::AddedMaps again;
    again.load(root);
    EXPECT_EQ(again.addedTitles(), QStringList({QString(), QString(), QStringLiteral("Vue")}));
}

} // namespace
