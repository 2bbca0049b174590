#include "view/Magnifier.h"
#include "view/ViewGeometry.h"

#include <QLabel>
#include <QPixmap>
#include <QSlider>
#include <QToolButton>

namespace view {
namespace {
constexpr int kCaptionHeight = 21;
}

Magnifier::Magnifier(QWidget *window) : QFrame(window), m_window(window)
{
    setObjectName(QStringLiteral("BoxLoupe"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    resize(kWidth, kHeight);
    hide();

    auto *caption = new QLabel(QStringLiteral("Agrandissement de la zone sous le curseur."), this);
    caption->setObjectName(QStringLiteral("BoxLoupeCaption"));
    caption->setGeometry(4, 2, kWidth - 52, kCaptionHeight - 2);
    rollUpButton = new QToolButton(this);
    rollUpButton->setObjectName(QStringLiteral("BoxLoupeRollUp"));
    rollUpButton->setText(QStringLiteral("▴"));
    rollUpButton->setAccessibleName(QStringLiteral("Enrouler"));
    rollUpButton->setToolTip(QStringLiteral("Enrouler"));
    rollUpButton->setCheckable(true);
    rollUpButton->setGeometry(kWidth - 46, 2, 20, 18);
    closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("BoxLoupeClose"));
    closeButton->setText(QStringLiteral("×"));
    closeButton->setAccessibleName(QStringLiteral("Fermer"));
    closeButton->setToolTip(QStringLiteral("Fermer"));
    closeButton->setGeometry(kWidth - 24, 2, 20, 18);

    Loupe = new QLabel(this);
    Loupe->setObjectName(QStringLiteral("Loupe"));
    Loupe->setGeometry(4, 23, kPicture, kPicture);
    Loupe->setScaledContents(true);
    Loupe->setAccessibleName(QStringLiteral("Agrandissement de la zone sous le curseur."));
    MiniLoupe = new QLabel(this);
    MiniLoupe->setObjectName(QStringLiteral("MiniLoupe"));
    MiniLoupe->hide();

    // The slider sits under the picture: "Grossissement :", "+", the slider, "-".
    auto *label = new QLabel(QStringLiteral("Grossissement :"), this);
    label->setObjectName(QStringLiteral("spSkinStdLabel17"));
    label->setGeometry(6, 340, 92, 20);
    auto *plus = new QLabel(QStringLiteral("+"), this);
    plus->setObjectName(QStringLiteral("spSkinStdLabel18"));
    plus->setGeometry(100, 340, 12, 20);
    spSkinTrackBar2 = new QSlider(Qt::Horizontal, this);
    spSkinTrackBar2->setObjectName(QStringLiteral("spSkinTrackBar2"));
    spSkinTrackBar2->setGeometry(114, 340, 180, 20);
    spSkinTrackBar2->setRange(100, 250);
    spSkinTrackBar2->setValue(150);
    spSkinTrackBar2->setPageStep(0);   // a click beside the thumb does not move it
    spSkinTrackBar2->setAccessibleName(QStringLiteral("Grossissement"));
    auto *minus = new QLabel(QStringLiteral("-"), this);
    minus->setObjectName(QStringLiteral("spSkinStdLabel19"));
    minus->setGeometry(298, 340, 12, 20);

    connect(spSkinTrackBar2, &QSlider::valueChanged, this, &Magnifier::spSkinTrackBar2Change);
    connect(closeButton, &QToolButton::clicked, this, &Magnifier::BoxLoupeClose);
    connect(rollUpButton, &QToolButton::toggled, this,
            [this](bool rolled) { resize(kWidth, rolled ? kCaptionHeight + 2 : kHeight); });
}

int Magnifier::squareSide() const
{
    return spSkinTrackBar2->value();
}

void Magnifier::spSkinTrackBar2Change(int v)
{
    // The enlarged picture keeps its content until the next pointer move.
    m_scratch = QImage(v, v, QImage::Format_RGB32);
    m_scratch.fill(Qt::black);
}

void Magnifier::copyFrom(QRect square)
{
    m_lastSquare = square;
    m_scratch = m_window->grab(square).toImage().convertToFormat(QImage::Format_RGB32);
    MiniLoupe->setPixmap(QPixmap::fromImage(m_scratch));
    Loupe->setPixmap(QPixmap::fromImage(m_scratch));
}

void Magnifier::open(int left, int top)
{
    spSkinTrackBar2Change(squareSide());
    move(left, top);
    copyFrom(QRect(0, 0, squareSide(), squareSide()));
    show();
    raise();
}

void Magnifier::refresh(QPoint pointer)
{
    if (!isVisible())
        return;
    copyFrom(geometry::magnifierSquare(pointer, squareSide(), m_window->size()));
}

void Magnifier::BoxLoupeClose()
{
    hide();
    Loupe->clear();
    MiniLoupe->clear();
    m_scratch = QImage();
}

} // namespace view
