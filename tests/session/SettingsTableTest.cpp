// The table of settings: every key with its default, the typed reading and writing through
// it, an Orvantis.ini written by earlier versions read as it is, and the context holding the
// stored values from the moment it is made.
#include "catalogue/Library.h"
#include "library/LibraryAddresses.h"
#include "session/AppContext.h"
#include "session/SettingsStore.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SettingsTable : public ::testing::Test {
protected:
    QString file() const { return dir.path() + QStringLiteral("/Orvantis.ini"); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SettingsTable, EveryKeyOnceWithItsDefault)
{
    struct Case {
        Setting setting;
        const char *key;
        SettingKind kind;
        QString defaultText;
    };
    const Case cases[] = {
        {Setting::MapsRoot, "cartes", SettingKind::Text, QString()},
        {Setting::DialUnattended, "connexion", SettingKind::Option, QStringLiteral("1")},
        {Setting::HangUpAfterDownload, "deconnexion", SettingKind::Option, QStringLiteral("1")},
        {Setting::FullScreenView, "affichage", SettingKind::Option, QStringLiteral("1")},
        {Setting::TileServer, "serveur", SettingKind::Text, library::kHost},
        {Setting::SimultaneousRequests, "requetes", SettingKind::Count, QStringLiteral("1")},
        {Setting::SimultaneousAtLibrary, "requetesgallica", SettingKind::Option, QStringLiteral("0")},
        {Setting::Catalogue, "catalogue", SettingKind::Text, library::kDefaultCatalogue},
        {Setting::Library, "bibliotheque", SettingKind::Text, library::kDefaultLibrary},
        {Setting::RequestInterval, "intervalle", SettingKind::Seconds, QStringLiteral("1")},
    };
    ASSERT_EQ(settings::table().size(), std::size(cases));
    QSet<QString> keys;
    const SettingsStore store(file());   // no file: every value reads as its default
    for (const Case &c : cases) {
        const SettingEntry &entry = settings::entry(c.setting);
        EXPECT_EQ(entry.setting, c.setting);
        EXPECT_EQ(entry.key, QLatin1String(c.key));
        EXPECT_EQ(entry.kind, c.kind) << c.key;
        EXPECT_EQ(entry.defaultText, c.defaultText) << c.key;
        keys << entry.key;
        EXPECT_TRUE(store.stored(c.setting).isEmpty()) << c.key;
        EXPECT_EQ(store.text(c.setting), c.defaultText) << c.key;
    }
    EXPECT_EQ(keys.size(), qsizetype(std::size(cases)));
    EXPECT_TRUE(store.isOn(Setting::DialUnattended));
    EXPECT_FALSE(store.isOn(Setting::SimultaneousAtLibrary));
    EXPECT_EQ(store.count(Setting::SimultaneousRequests), 1);
}

TEST_F(SettingsTable, TypedValuesGoAndComeBackThroughTheFile)
{
    {
        SettingsStore store(file());
        ASSERT_TRUE(store.write(Setting::MapsRoot, QStringLiteral("/srv/cartes anciennes")));
        ASSERT_TRUE(store.writeOn(Setting::DialUnattended, false));
        ASSERT_TRUE(store.writeOn(Setting::SimultaneousAtLibrary, true));
        ASSERT_TRUE(store.writeCount(Setting::SimultaneousRequests, 6));
        ASSERT_TRUE(store.write(Setting::TileServer, QStringLiteral("127.0.0.1:8080")));
    }
    const SettingsStore store(file());
    EXPECT_EQ(store.text(Setting::MapsRoot), QStringLiteral("/srv/cartes anciennes"));
    EXPECT_FALSE(store.isOn(Setting::DialUnattended));
    EXPECT_TRUE(store.isOn(Setting::HangUpAfterDownload));   // never written: its default
    EXPECT_TRUE(store.isOn(Setting::SimultaneousAtLibrary));
    EXPECT_EQ(store.count(Setting::SimultaneousRequests), 6);
    EXPECT_EQ(store.text(Setting::TileServer), QStringLiteral("127.0.0.1:8080"));
    // The keys in the file are the ones every earlier version wrote.
    EXPECT_EQ(store.read(QStringLiteral("connexion")), QStringLiteral("0"));
    EXPECT_EQ(store.read(QStringLiteral("requetesgallica")), QStringLiteral("1"));
    EXPECT_EQ(store.read(QStringLiteral("requetes")), QStringLiteral("6"));

    // Texts that are no value of their kind read as the default.
    SettingsStore odd(file());
    odd.write(QStringLiteral("requetes"), QStringLiteral("beaucoup"));
    odd.write(QStringLiteral("connexion"), QStringLiteral("oui"));
    odd.write(QStringLiteral("requetesgallica"), QString());
    EXPECT_EQ(odd.count(Setting::SimultaneousRequests), 1);
    EXPECT_FALSE(odd.isOn(Setting::DialUnattended));   // only "1" (or nothing) is on
    EXPECT_FALSE(odd.isOn(Setting::SimultaneousAtLibrary));
}

// The numbers keep within the bounds their table line declares, whoever reads or writes them:
// a count is brought within them, seconds outside them read as the default and are told.
TEST_F(SettingsTable, NumbersStayWithinTheBoundsOfTheirLine)
{
    const SettingEntry &requests = settings::entry(Setting::SimultaneousRequests);
    const SettingEntry &interval = settings::entry(Setting::RequestInterval);
    EXPECT_EQ(requests.minimum, 1);
    EXPECT_EQ(requests.maximum, 8);
    EXPECT_EQ(interval.minimum, 0);
    EXPECT_EQ(interval.maximum, 10);

    SettingsStore store(file());
    const struct {
        const char *stored;
        int count;
    } counts[] = {{"0", 1}, {"-3", 1}, {"8", 8}, {"9", 8}, {"120", 8}, {"5", 5}, {"", 1}};
    for (const auto &c : counts) {
        ASSERT_TRUE(store.write(QStringLiteral("requetes"), QLatin1String(c.stored)));
        EXPECT_EQ(store.count(Setting::SimultaneousRequests), c.count) << c.stored;
    }
    ASSERT_TRUE(store.writeCount(Setting::SimultaneousRequests, 12));
    EXPECT_EQ(store.read(QStringLiteral("requetes")), QStringLiteral("8"));
    ASSERT_TRUE(store.writeCount(Setting::SimultaneousRequests, 0));
    EXPECT_EQ(store.read(QStringLiteral("requetes")), QStringLiteral("1"));

    const struct {
        const char *stored;
        double seconds;
        const char *unreadable;
    } intervals[] = {{"0.5", 0.5, ""},   {" 2,5 ", 2.5, ""},   {"10", 10, ""},     {"0", 0, ""},
                     {"", 1, ""},        {"11", 1, "11"},      {"-1", 1, "-1"},    {"vite", 1, "vite"}};
    for (const auto &c : intervals) {
        ASSERT_TRUE(store.write(QStringLiteral("intervalle"), QLatin1String(c.stored)));
        QString unreadable;
        EXPECT_DOUBLE_EQ(store.seconds(Setting::RequestInterval, &unreadable), c.seconds) << c.stored;
        EXPECT_EQ(unreadable, QLatin1String(c.unreadable)) << c.stored;
    }
    ASSERT_TRUE(store.writeSeconds(Setting::RequestInterval, 2.5));
    EXPECT_EQ(store.read(QStringLiteral("intervalle")), QStringLiteral("2.5"));
    ASSERT_TRUE(store.writeSeconds(Setting::RequestInterval, 25));
    EXPECT_EQ(store.read(QStringLiteral("intervalle")), QStringLiteral("10.0"));

    // The context holds a count within the same bounds, whatever it is given.
    ScriptedDesktop desktop;
    AppContext context(store, desktop, dir.path() + u'/', dir.path() + u'/');
    context.setSimultaneousRequests(40, false);
    EXPECT_EQ(context.simultaneousRequests(), 8);
    context.setSimultaneousRequests(-2, false);
    EXPECT_EQ(context.simultaneousRequests(), 1);
}

TEST_F(SettingsTable, AnEarlierFileIsReadAsItIsAndTheContextHoldsItsValues)
{
    const QByteArray earlier = "[General]\n"
                               "cartes=/home/marie/Cartes\n"
                               "connexion=0\n"
                               "deconnexion=1\n"
                               "affichage=0\n"
                               "serveur=127.0.0.1:8080\n"
                               "requetes=4\n"
                               "requetesgallica=1\n"
                               "catalogue=http://127.0.0.1:9/SRU\n"
                               "bibliotheque=http://127.0.0.1:9\n"
                               "intervalle=0.5\n";
    writeFile(file(), earlier);
    SettingsStore store(file());
    ScriptedDesktop desktop;
    AppContext context(store, desktop, dir.path() + u'/', dir.path() + u'/');
    context.loadSettings();

    EXPECT_FALSE(context.options().dialUnattended());
    EXPECT_TRUE(context.options().hangUpAfterDownload());
    EXPECT_FALSE(context.options().fullScreenView());
    EXPECT_EQ(context.tileServer(), QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(context.simultaneousRequests(), 4);
    EXPECT_TRUE(context.simultaneousAtLibrary());
    EXPECT_EQ(store.text(Setting::MapsRoot), QStringLiteral("/home/marie/Cartes"));
    const library::Addresses addresses = library::Addresses::read(store);
    EXPECT_EQ(addresses.catalogue, QStringLiteral("http://127.0.0.1:9/SRU"));
    EXPECT_EQ(addresses.library, QStringLiteral("http://127.0.0.1:9"));
    EXPECT_EQ(addresses.intervalMs, 500);
    EXPECT_EQ(readFile(file()), earlier);   // reading changes nothing

    // An option changed anywhere is stored at once, under its old key.
    context.options().setFullScreenView(true);
    EXPECT_EQ(store.read(QStringLiteral("affichage")), QStringLiteral("1"));
    EXPECT_TRUE(desktop.calls.empty());
}

TEST(SettingsInTheWindow, TheContextHoldsTheStoredValuesBeforeAnyPageIsMade)
{
    testing_support::TestWindow t({{QStringLiteral("serveur"), QStringLiteral("127.0.0.1:8080")},
                                   {QStringLiteral("requetes"), QStringLiteral("3")},
                                   {QStringLiteral("requetesgallica"), QStringLiteral("1")},
                                   {QStringLiteral("affichage"), QStringLiteral("0")}});
    t.start(MainWindow::PageBuilding::AfterFirstPaint);
    ASSERT_FALSE(t.window->pagesBuilt());
    EXPECT_EQ(t.context().tileServer(), QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(t.context().requestLimitFor(library::kHost), 3);
    EXPECT_FALSE(t.context().options().fullScreenView());
    EXPECT_TRUE(t.context().options().dialUnattended());   // absent: on, and written so
    EXPECT_EQ(t.settings->read(QStringLiteral("connexion")), QStringLiteral("1"));
}
