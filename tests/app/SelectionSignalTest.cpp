// A selection made on one page reaches every page through the context's one signal: the
// captions that name the selected sheet follow at once, even on the page shown.
#include "catalogue/ArchivePage.h"
#include "support/TestWindow.h"
#include "widgets/SpinEdit.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SelectionSignal : public ::testing::Test {
protected:
    void SetUp() override
    {
        t.start();
        t.window->show();
    }
    // The sheet number typed in the status bar, which stays below every page.
    void typeSheetNumber(int sheet) { t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit1"))->setValue(sheet); }
    void clickArchivePosition(int position)
    {
        auto *list = t.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
        QListWidgetItem *item = list->item(position - 1);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    QString cassiniCaption() const { return t.find<QGroupBox>(QStringLiteral("spSkinGroupBox5"))->title(); }
    QString archiveCaption() const { return t.find<QGroupBox>(QStringLiteral("spSkinGroupBox11"))->title(); }

    TestWindow t;
};

const QString kArchiveCaption = QStringLiteral("Consultation d'une carte dans les archives Bnf/Gallica - Carte n° ");

} // namespace

TEST_F(SelectionSignal, ThePageShownRenamesItsSheetAtOnce)
{
    const std::pair<int, const char *> pages[] = {
        {4, "Téléchargement de la "},
        {5, "Choix d'une zone à imprimer - "},
        {6, "Impression de la "},
    };
    int sheet = 20;
    for (const auto &[index, prefix] : pages) {
        t.window->showPage(index);
        QSignalSpy changed(&t.context(), &AppContext::selectionChanged);
        typeSheetNumber(++sheet);
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(t.window->windowTitle(),
                  QString::fromUtf8(prefix) + QStringLiteral("Carte n° %1 ( Cassini couleurs )").arg(sheet));
        EXPECT_EQ(cassiniCaption(), QStringLiteral("Carte %1 sélectionnée").arg(sheet));
    }
}

TEST_F(SelectionSignal, EachCatalogueCaptionNamesTheSheetItActsOn)
{
    typeSheetNumber(57);
    t.window->showPage(3);
    clickArchivePosition(12);
    EXPECT_EQ(archiveCaption(), kArchiveCaption + QStringLiteral("12"));
    EXPECT_EQ(cassiniCaption(), QStringLiteral("Carte 57 sélectionnée"));   // the Cassini sheet that page shows

    // Another sheet of the map, from the sheet index field.
    t.find<SpinEdit>(QStringLiteral("spSkinSpinEdit2"))->setValue(3);
    EXPECT_EQ(t.context().selection().sheet(), SheetId::archive(12, 3));
    t.window->showPage(4);
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Téléchargement de la Carte n° 12\\F003 ( Archives Bnf )"));

    // A Cassini sheet typed while the download page is shown.
    typeSheetNumber(30);
    EXPECT_EQ(t.window->windowTitle(), QStringLiteral("Téléchargement de la Carte n° 30 ( Cassini couleurs )"));
    EXPECT_EQ(cassiniCaption(), QStringLiteral("Carte 30 sélectionnée"));
    EXPECT_EQ(archiveCaption(), kArchiveCaption + QStringLiteral("12"));

    // The town page's proposal.
    t.window->showPage(1);
    t.find<QLineEdit>(QStringLiteral("spSkinEdit8"))->setText(QStringLiteral("10"));
    t.click(QStringLiteral("spSkinButton32"));
    EXPECT_EQ(cassiniCaption(), QStringLiteral("Carte 10 sélectionnée"));
    EXPECT_EQ(t.context().selection().sheet(), SheetId::cassini(editions::kColour, 10));
}
