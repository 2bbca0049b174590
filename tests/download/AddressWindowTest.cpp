// Addresses of added maps in the window: an emptied "Adresse IIIF de la carte" clears the
// sheet's address, saved; a maps root where the added-maps file cannot be written says so
// once and claims nothing ("Ajouter une carte IIIF", clearing an address).
#include "catalogue/AddedMaps.h"
#include "net/TestServer.h"
#include "support/Wait.h"
#include "support/TestWindow.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// A IIIF image server of one picture, "/map", 1000 x 700 in tiles of 256.
void serveOnePicture(TestServer &server)
{
    const QByteArray base = "http://" + server.authority().toUtf8() + "/map";
    const QByteArray info = R"({"@context": "http://iiif.io/api/image/2/context.json", "@id": ")" + base
        + R"(", "protocol": "http://iiif.io/api/image", "width": 1000, "height": 700,
  "tiles": [{"width": 256, "scaleFactors": [1, 2, 4]}], "profile": ["http://iiif.io/api/image/2/level1.json"]})";
    server.script = [info](const QByteArray &path) {
        return path.endsWith("/info.json") ? TestServer::Answer{TestServer::Reply::Jpeg, info}
                                           : TestServer::Answer{TestServer::Reply::NotFound};
    };
}

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(AddressWindow, AnEmptiedAddressClearsTheSheetsAddress)
{
    TestServer server;
    serveOnePicture(server);
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}});
    w.start();
    AppContext &context = w.context();
    const auto sheetAddress = [&] {
        return context.addedMaps().sheet(SheetId::cassini(editions::kColour, 1));
    };
    w.click(QStringLiteral("spSkinButton4"));   // "Télécharger et installer" of sheet 1
    w.desktop.inputAnswers.push_back(QStringLiteral("http://") + server.authority() + QStringLiteral("/map"));
    w.click(QStringLiteral("AdresseIiif"));
    ASSERT_TRUE(waitUntil([&] { return w.desktop.last(QStringLiteral("message")) != nullptr; }, 60000));
    ASSERT_TRUE(sheetAddress());
    const QString file = catalogue::AddedMaps::filePath(maps.path());
    EXPECT_TRUE(fileText(file).contains(QStringLiteral("/map\t1000 x 700")));

    // Cancelled question: the address stays.
    w.desktop.inputAnswers.push_back(QString());
    w.desktop.confirmAnswers.push_back(false);
    w.click(QStringLiteral("AdresseIiif"));
    ASSERT_TRUE(sheetAddress());
    EXPECT_FALSE(sheetAddress()->address.isEmpty());

    // An emptied field, confirmed: no address, in the list and in the file.
    w.desktop.calls.clear();
    w.desktop.inputAnswers.push_back(QStringLiteral("   "));
    w.desktop.confirmAnswers.push_back(true);
    w.click(QStringLiteral("AdresseIiif"));
    EXPECT_EQ(w.desktop.last(QStringLiteral("confirm"))->text, QStringLiteral("Effacer l'adresse IIIF de la carte n° 1 ?"));
    EXPECT_EQ(w.desktop.last(QStringLiteral("error")), nullptr);
    EXPECT_TRUE(!sheetAddress() || sheetAddress()->address.isEmpty());
    EXPECT_FALSE(fileText(file).contains(QStringLiteral("/map\t")));
}

TEST(AddressWindow, AnUnwritableAddedMapsFileClaimsNoSuccess)
{
    TestServer server;
    serveOnePicture(server);
    QTemporaryDir maps;
    TestWindow w({{QStringLiteral("cartes"), maps.path()}});
    w.start();
    // A folder where the file would go: no one, not even the administrator, can write it.
    ASSERT_TRUE(QDir().mkpath(catalogue::AddedMaps::filePath(maps.path())));
    auto *list = w.find<QListWidget>(QStringLiteral("spSkinCheckListBox1"));
    const int before = list->count();
    w.window->showPage(3);
    w.desktop.inputAnswers.push_back(QStringLiteral("http://") + server.authority() + QStringLiteral("/map/info.json"));
    w.click(QStringLiteral("AjouterIiif"));
    ASSERT_TRUE(waitUntil([&] { return w.desktop.last(QStringLiteral("error")) != nullptr; }, 60000));
    EXPECT_TRUE(w.desktop.last(QStringLiteral("error"))->text.startsWith(
        QStringLiteral("Enregistrement impossible, la carte n'est pas ajoutée : ")))
        << w.desktop.last(QStringLiteral("error"))->text.toStdString();
    EXPECT_EQ(w.desktop.last(QStringLiteral("message")), nullptr) << "a success told after the failure";
    EXPECT_EQ(w.desktop.kinds().count(QStringLiteral("error")), 1);
    EXPECT_EQ(list->count(), before);
}
