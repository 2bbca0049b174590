#include "app/AboutPage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "platform/Desktop.h"

#include <QLabel>
#include <QPushButton>

using controls::button;

AboutPage::AboutPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet2"), parent)
{
    auto *text = controls::label(this, QStringLiteral("spSkinTextLabel1"),
                                 QStringLiteral("Orvantis\nVersion " ORVANTIS_VERSION "\n\nConçu et développé par l'équipe Orvantis"),
                                 QRect(0, 30, 690, 90));
    text->setAlignment(Qt::AlignCenter);

    // The banner: its words are the button's text on a drawn gradient, whole and sharp at
    // any font and screen.
    auto *banner = button(this, QStringLiteral("spSkinLinkImage1"),
                          QStringLiteral("Orvantis - les cartes anciennes de France"),
                          QRect(111, 150, 468, 60), QStringLiteral("Site internet de Orvantis"));
    {
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(22);
        font.setBold(true);
        banner->setFont(font);
    }
    banner->setProperty("noMnemonic", true);   // a banner, not a command
    banner->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; border: none; padding: 0 6px;"
        " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #000080, stop:1 #466ebe); }"
        "QPushButton:focus { border: 1px dotted white; }"));
    banner->setCursor(Qt::PointingHandCursor);
    banner->setAccessibleName(QStringLiteral("Site internet de Orvantis"));

    auto *forumButton = button(this, QStringLiteral("spSkinButton55"), QStringLiteral("Forum"), QRect(95, 250, 110, 28),
                               QStringLiteral("Se connecter au forum de discussion sur le site internet"));
    auto *updatesButton = button(this, QStringLiteral("spSkinButton12"), QStringLiteral("Mise à jour"), QRect(220, 250, 110, 28),
                                 QStringLiteral("Accès à la page des mises à jour sur le site internet"));
    auto *faqButton = button(this, QStringLiteral("spSkinButton14"), QStringLiteral("FAQ"), QRect(345, 250, 110, 28),
                             QStringLiteral("Accès à la FAQ sur le site internet"));
    auto *supportButton = button(this, QStringLiteral("spSkinButton15"), QStringLiteral("Support"), QRect(470, 250, 110, 28),
                                 QStringLiteral("Accès au support en ligne sur le site internet"));
    auto *closeButton = button(this, QStringLiteral("spSkinButton47"), QStringLiteral("Fermer"), QRect(290, 380, 110, 28),
                               QStringLiteral("Retour page d'accueil"));

    const std::pair<QPushButton *, QString> links[] = {
        {banner, QString()},
        {forumButton, QStringLiteral("/phpBB/index.php")},
        {updatesButton, QStringLiteral("/telechargement.htm")},
        {faqButton, QStringLiteral("/faq.htm")},
        {supportButton, QStringLiteral("/formulaire.html")},
    };
    for (const auto &[b, path] : links)
        connect(b, &QPushButton::clicked, this, [this, path = path] { openSitePage(path); });
    connect(closeButton, &QPushButton::clicked, this, &AboutPage::closeRequested);
}

void AboutPage::onShow()
{
    setCaption(QStringLiteral("A Propos de Orvantis"));
}

void AboutPage::openSitePage(const QString &path)
{
    m_context.desktop().open(site::kRoot + path);
}
