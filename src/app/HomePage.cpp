#include "app/HomePage.h"
#include "session/AppContext.h"
#include "widgets/Controls.h"
#include "platform/Desktop.h"
#include "widgets/PaintedPicture.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

using controls::button;

namespace {

// The logo of the header: map sheets laid over each other.
void drawLogo(QPainter &p, const QRect &area)
{
    p.fillRect(area, Qt::white);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(5 + i * 6, 8 + i * 3, 34, 44 - i * 6));
}

} // namespace

HomePage::HomePage(AppContext &context, QWidget *parent)
    : Page(context, QStringLiteral("spSkinTabSheet1"), parent)
{
    auto *header = controls::named(new QLabel(this), QStringLiteral("Panel3"), QRect(0, 0, 690, 62));
    header->setAutoFillBackground(true);
    header->setStyleSheet(QStringLiteral("background: white;"));
    auto *logo = controls::named(new PaintedPicture(drawLogo, header), QStringLiteral("LogoFrance"), QRect(4, 1, 60, 60));
    logo->setAccessibleName(QStringLiteral("Logo"));
    // The logo's words beside the sheets, as text: whole and sharp at any font and screen.
    auto *words = controls::label(header, QStringLiteral("LogoFranceText"), QStringLiteral("Cartes anciennes de France"),
                                  QRect(66, 1, 150, 60));
    words->setWordWrap(true);
    words->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont wordsFont(QStringLiteral("Tahoma"));
    wordsFont.setPixelSize(15);
    wordsFont.setBold(true);
    words->setFont(wordsFont);
    words->setStyleSheet(QStringLiteral("color: navy; background: transparent;"));

    auto *title = controls::label(header, QStringLiteral("Label4"), QStringLiteral("Orvantis"), QRect(380, 6, 300, 50));
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setPixelSize(32);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("color: navy; background: transparent;"));

    auto *version = controls::label(this, QStringLiteral("Label1"), QStringLiteral("Version " ORVANTIS_VERSION),
                                    QRect(0, 120, 690, 40));
    version->setAlignment(Qt::AlignCenter);
    QFont versionFont(QStringLiteral("Tahoma"));
    versionFont.setPixelSize(27);
    versionFont.setBold(true);
    versionFont.setItalic(true);
    version->setFont(versionFont);
    version->setForegroundRole(QPalette::PlaceholderText);

    auto *quitButton = button(this, QStringLiteral("spSkinButton5"), QStringLiteral("Quitter"),
                              QRect(60, 300, 120, 30), QStringLiteral("Fermer Orvantis"));
    auto *aboutButton = button(this, QStringLiteral("spSkinButton11"), QStringLiteral("A Propos"), QRect(210, 300, 120, 30),
                               QStringLiteral("Liens vers le site, le support et les mises à jour"));
    auto *helpButton = button(this, QStringLiteral("spSkinButton29"), QStringLiteral("Aide"),
                              QRect(360, 300, 120, 30), QStringLiteral("Aide et présentation de Orvantis"));
    auto *preferencesButton = button(this, QStringLiteral("spSkinButton1"), QStringLiteral("Préférences"),
                                     QRect(510, 300, 120, 30), QStringLiteral("Configuration personnalisée du logiciel"));
    connect(quitButton, &QPushButton::clicked, this, &HomePage::quitRequested);
    connect(aboutButton, &QPushButton::clicked, this, &HomePage::aboutRequested);
    connect(preferencesButton, &QPushButton::clicked, this, &HomePage::preferencesRequested);
    connect(helpButton, &QPushButton::clicked, this, &HomePage::onHelpClicked);
}

void HomePage::onShow()
{
    setCaption(QStringLiteral("Orvantis"));
}

void HomePage::onHelpClicked()
{
    m_context.desktop().open(m_context.installFolder() + QStringLiteral("Aide.html"));
}
