// The Cassini catalogue: document numbers of both editions, titles and the index-map grid.
#include "session/SelectionState.h"
#include "catalogue/CassiniCatalogue.h"

#include <gtest/gtest.h>
#include <set>

namespace {

struct DocumentRow {
    int sheet;
    const char *colour;
    const char *blackAndWhite;
};

const DocumentRow kDocuments[] = {
// sheet, colour edition, black-and-white edition ("" = no scan)
    {1, "11504", "11505"}, {2, "11506", ""}, {3, "11507", "11508"}, {4, "11509", "11510"},
    {5, "11511", "11512"}, {6, "11513", "11514"}, {7, "11515", ""}, {8, "11516", ""},
    {9, "11517", ""}, {10, "11518", "11686"}, {11, "11519", "11687"}, {12, "11520", "11688"},
    {13, "11521", "11689"}, {14, "11522", "11690"}, {15, "11523", "11691"}, {16, "11524", "11692"},
    {17, "11525", "11693"}, {18, "11526", "11694"}, {19, "11527", "11695"}, {20, "11528", "11696"},
    {21, "11530", "11698"}, {22, "11531", "11699"}, {23, "11532", "11700"}, {24, "11533", "11701"},
    {25, "11534", "11702"}, {26, "11535", "11703"}, {27, "11536", "11704"}, {28, "11537", "11705"},
    {29, "11538", ""}, {30, "11539", "11706"}, {31, "11540", "11707"}, {32, "11541", "11708"},
    {33, "11542", "11709"}, {34, "11543", "11710"}, {35, "11544", "11711"}, {36, "11545", "11712"},
    {37, "11546", "11713"}, {38, "11547", "11714"}, {39, "11548", "11715"}, {40, "11549", "11716"},
    {41, "11551", "11718"}, {42, "11552", "11719"}, {43, "11553", "11720"}, {44, "11554", "11721"},
    {45, "11555", "11722"}, {46, "11556", "11723"}, {47, "11557", "11724"}, {48, "11558", ""},
    {49, "11560", ""}, {50, "11559", ""}, {51, "11561", "11725"}, {52, "11562", "11726"},
    {53, "11563", "11727"}, {54, "11564", "11728"}, {55, "11565", "11729"}, {56, "11566", "11730"},
    {57, "11567", "11731"}, {58, "11568", "11732"}, {59, "11569", "11733"}, {60, "11571", "11735"},
    {61, "11572", "11736"}, {62, "11573", "11737"}, {63, "11574", "11738"}, {64, "11575", "11739"},
    {65, "11576", ""}, {66, "11577", "11740"}, {67, "11578", "11741"}, {68, "11579", "11742"},
    {69, "11580", "11743"}, {70, "11581", "11744"}, {71, "11582", "11745"}, {72, "11583", "11746"},
    {73, "11584", "11747"}, {74, "11586", "11748"}, {75, "11587", "11749"}, {76, "11585", "11750"},
    {77, "11588", "11751"}, {78, "11589", "11752"}, {79, "11590", "11753"}, {80, "11591", "11754"},
    {81, "11592", "11755"}, {82, "11593", "11756"}, {83, "11594", "11757"}, {84, "11595", "11758"},
    {85, "11596", "11759"}, {86, "11597", ""}, {87, "11598", ""}, {88, "11599", "11760"},
    {89, "11600", "11761"}, {90, "11601", "11762"}, {91, "11602", "11763"}, {92, "11603", "11764"},
    {93, "11604", "11765"}, {94, "11605", "11766"}, {95, "11606", "11767"}, {96, "11607", "11768"},
    {97, "11608", "11769"}, {98, "11609", ""}, {99, "11610", "11770"}, {100, "11611", "11771"},
    {101, "11612", "11772"}, {102, "11613", "11773"}, {103, "11614", "11774"}, {104, "11615", "11775"},
    {105, "11616", "11776"}, {106, "11617", "11777"}, {107, "11618", "11778"}, {108, "11619", "11779"},
    {109, "11621", "11781"}, {110, "11623", "11783"}, {111, "11624", "11784"}, {112, "11625", "11785"},
    {113, "11626", "11786"}, {114, "11627", "11787"}, {115, "11628", "11788"}, {116, "11629", "11789"},
    {117, "11630", "11790"}, {118, "11631", "11791"}, {119, "11632", "11792"}, {120, "11633", "11793"},
    {121, "11634", "11794"}, {122, "11635", "11795"}, {123, "11636", "11796"}, {124, "11637", "11797"},
    {125, "11638", "11798"}, {126, "11639", "11799"}, {127, "11640", "11800"}, {128, "11641", "11801"},
    {129, "11643", "11803"}, {130, "11644", ""}, {131, "11645", "11804"}, {132, "11646", "11805"},
    {133, "11647", "11806"}, {134, "11648", "11807"}, {135, "11649", "11808"}, {136, "11642", "11802"},
    {137, "11650", "11809"}, {138, "11651", "11810"}, {139, "11652", "11811"}, {140, "11653", "11812"},
    {141, "11654", "11813"}, {142, "11656", "11815"}, {143, "11657", "11816"}, {144, "11658", "11817"},
    {145, "11659", "11818"}, {146, "11660", "11819"}, {147, "11661", "11820"}, {148, "11662", "11821"},
    {149, "11663", "11822"}, {150, "11664", "11823"}, {151, "11665", "11824"}, {152, "11666", "11825"},
    {153, "11667", "11826"}, {154, "11668", "11827"}, {155, "11669", "11828"}, {156, "11670", "11829"},
    {157, "11671", "11830"}, {158, "11672", "11831"}, {159, "11673", "11832"}, {160, "", ""},
    {161, "11674", "11833"}, {162, "11675", "11834"}, {163, "11676", "11835"}, {164, "11677", "11836"},
    {165, "11678", "11837"}, {166, "11679", ""}, {167, "11680", "11838"}, {168, "11681", "11839"},
    {169, "11682", "11840"}, {170, "11683", "10170"}, {171, "11843", "11844"}, {172, "11846", "11845"},
    {173, "11847", "11848"}, {174, "11849", "11850"}, {175, "11851", "11852"}, {176, "11529", "11697"},
    {177, "11550", "11717"}, {178, "11570", "11734"}, {179, "11620", "11780"}, {180, "11622", "11782"},
    {181, "11655", "11814"}, {182, "11684", "11841"},
};

TEST(CassiniCatalogue, LookUpGivesEveryDocumentNumberOfBothEditions)
{
    ASSERT_EQ(std::size(kDocuments), 182u);
    for (const DocumentRow &row : kDocuments) {
        for (int item : {0, 1}) {
            SelectionState selection;
            selection.sheetNumber = QString::number(row.sheet);
            selection.documentNumber = QStringLiteral("99999");   // an earlier lookup
            cassini::lookUpDocumentNumber(selection, item);
            EXPECT_EQ(selection.documentNumber, QString::fromLatin1(item == 0 ? row.colour : row.blackAndWhite))
                << "sheet " << row.sheet << " edition item " << item;
        }
    }
}

TEST(CassiniCatalogue, AnyItemOtherThanZeroIsBlackAndWhite)
{
    EXPECT_EQ(cassini::documentNumber(1, 2), QStringLiteral("11505"));
    EXPECT_EQ(cassini::documentNumber(1, -1), QStringLiteral("11505"));
}

TEST(CassiniCatalogue, NumbersOutsideTheSheetsLeaveTheDocumentNumber)
{
    for (const char *number : {"183", "1924", "0", "-3", ""}) {
        SelectionState selection;
        selection.sheetNumber = QString::fromLatin1(number);
        selection.documentNumber = QStringLiteral("10012");
        cassini::lookUpDocumentNumber(selection, 0);
        EXPECT_EQ(selection.documentNumber, QStringLiteral("10012")) << number;
    }
}

TEST(CassiniCatalogue, TitlesHaveOneLinePerSheetAndTheQuotedRows)
{
    const QStringList &titles = cassini::titles();
    ASSERT_EQ(titles.size(), 183);
    EXPECT_TRUE(titles.at(0).isEmpty());
    for (int sheet = 1; sheet <= 182; ++sheet)
        EXPECT_TRUE(titles.at(sheet).startsWith(QStringLiteral("Carte %1 : ").arg(sheet))) << sheet;
    const std::pair<int, const char *> quoted[] = {
        {1, "Carte 1 : Paris"},
        {4, "Carte 4 : Abbeville , Arras"},
        {31, "Carte 31 : Le Blanc ,  Châteauroux ,  Montmorillon"},
        {76, "Carte 76 : Bagnères-de-Luchon , Barèges , Bagnères-de-Bigorre"},
        {132, "Carte 132 : La Roche-sur-Yon , Les Sables-d'Olonnes"},
        {160, "Carte 160 : inexistante dans Orvantis"},
        {182, "Carte 182 : Cap Camarat"},
    };
    for (const auto &[sheet, text] : quoted)
        EXPECT_EQ(cassini::title(sheet), QString::fromUtf8(text));
    EXPECT_EQ(cassini::title(134), QStringLiteral("Carte 134 : feuille 134"));   // sea only
    EXPECT_TRUE(cassini::title(183).isEmpty());
}

TEST(CassiniCatalogue, EverySheetHasOneCellOfTheGrid)
{
    std::set<std::pair<int, int>> cells;
    for (int sheet = 1; sheet <= 182; ++sheet) {
        const cassini::Cell cell = cassini::cellOf(sheet);
        ASSERT_GE(cell.column, 1) << sheet;
        EXPECT_EQ(cassini::sheetAt(cell.column, cell.row), sheet);
        EXPECT_TRUE(cells.insert({cell.column, cell.row}).second) << sheet;
    }
    int used = 0;
    for (int row = 1; row <= 21; ++row)
        for (int column = 1; column <= 14; ++column)
            used += cassini::sheetAt(column, row) != 0;
    EXPECT_EQ(used, 182);
    EXPECT_EQ(cassini::sheetAt(0, 1), 0);
    EXPECT_EQ(cassini::sheetAt(15, 1), 0);
    EXPECT_EQ(cassini::sheetAt(1, 22), 0);
}

TEST(CassiniCatalogue, ButtonsLieAtTheirGridPositions)
{
    const std::tuple<int, int, int> cases[] = {
        {21, 20 + 30 * 6, 9},          // row 1, column 7
        {1, 20 + 30 * 7, 9 + 20 * 5},  // row 6, column 8
        {174, 20, 9 + 20 * 5},         // row 6, column 1
        {173, 20 + 30 * 13, 9 + 20 * 4},
        {176, 20 + 30 * 7, 9 + 20 * 20},
    };
    for (const auto &[sheet, left, top] : cases)
        EXPECT_EQ(cassini::buttonRect(sheet), QRect(left, top, 30, 20)) << sheet;
}

} // namespace
