#include "app/AboutPage.h"
#include "app/AppContext.h"
#include "app/Controls.h"
#include "platform/Desktop.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

using controls::button;

namespace {

QPixmap bannerPicture()
{
    QPixmap pixmap(468, 60);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, 468, 0);
    gradient.setColorAt(0, QColor(0, 0, 128));
    gradient.setColorAt(1, QColor(70, 110, 190));
    p.fillRect(pixmap.rect(), gradient);
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Orvantis - les cartes anciennes de France"));
    return pixmap;
}

} // namespace

AboutPage::AboutPage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet2"), parent)
{
    auto *text = controls::label(this, QStringLiteral("spSkinTextLabel1"),
                                 QStringLiteral("Orvantis\nVersion 3.0.0.6\n\nConçu et développé par l'équipe Orvantis"),
                                 QRect(0, 30, 690, 90));
    text->setAlignment(Qt::AlignCenter);

    spSkinLinkImage1 = button(this, QStringLiteral("spSkinLinkImage1"), QString(),
                              QRect(111, 150, 468, 60), QStringLiteral("Site internet de Orvantis"));
    spSkinLinkImage1->setIcon(bannerPicture());
    spSkinLinkImage1->setIconSize(QSize(468, 60));
    spSkinLinkImage1->setFlat(true);
    spSkinLinkImage1->setCursor(Qt::PointingHandCursor);
    spSkinLinkImage1->setAccessibleName(QStringLiteral("Site internet de Orvantis"));

    spSkinButton55 = button(this, QStringLiteral("spSkinButton55"), QStringLiteral("Forum"), QRect(95, 250, 110, 28),
                            QStringLiteral("Se connecter au forum de discussion sur le site internet"));
    spSkinButton12 = button(this, QStringLiteral("spSkinButton12"), QStringLiteral("Mise à jour"), QRect(220, 250, 110, 28),
                            QStringLiteral("Accès à la page des mises à jour sur le site internet"));
    spSkinButton14 = button(this, QStringLiteral("spSkinButton14"), QStringLiteral("FAQ"), QRect(345, 250, 110, 28),
                            QStringLiteral("Accès à la FAQ sur le site internet"));
    spSkinButton15 = button(this, QStringLiteral("spSkinButton15"), QStringLiteral("Support"), QRect(470, 250, 110, 28),
                            QStringLiteral("Accès au support en ligne sur le site internet"));
    spSkinButton47 = button(this, QStringLiteral("spSkinButton47"), QStringLiteral("Fermer"), QRect(290, 380, 110, 28),
                            QStringLiteral("Retour page d'accueil"));

    const std::pair<QPushButton *, QString> links[] = {
        {spSkinLinkImage1, QString()},
        {spSkinButton55, QStringLiteral("/phpBB/index.php")},
        {spSkinButton12, QStringLiteral("/telechargement.htm")},
        {spSkinButton14, QStringLiteral("/faq.htm")},
        {spSkinButton15, QStringLiteral("/formulaire.html")},
    };
    for (const auto &[b, path] : links)
        connect(b, &QPushButton::clicked, this, [this, path = path] { openSitePage(path); });
    connect(spSkinButton47, &QPushButton::clicked, this, &AboutPage::closeRequested);
}

void AboutPage::onShow()
{
    setCaptionAndNumber(QStringLiteral("A Propos de Orvantis"), 9);
}

void AboutPage::openSitePage(const QString &path)
{
    m_context.desktop().open(site::kRoot + path);
}
