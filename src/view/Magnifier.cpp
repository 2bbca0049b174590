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
    m_rollUpButton = new QToolButton(this);
    m_rollUpButton->setObjectName(QStringLiteral("BoxLoupeRollUp"));
    m_rollUpButton->setText(QStringLiteral("▴"));
    m_rollUpButton->setAccessibleName(QStringLiteral("Enrouler"));
    m_rollUpButton->setToolTip(QStringLiteral("Enrouler"));
    m_rollUpButton->setCheckable(true);
    m_rollUpButton->setGeometry(kWidth - 46, 2, 20, 18);
    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("BoxLoupeClose"));
    m_closeButton->setText(QStringLiteral("×"));
    m_closeButton->setAccessibleName(QStringLiteral("Fermer"));
    m_closeButton->setToolTip(QStringLiteral("Fermer"));
    m_closeButton->setGeometry(kWidth - 24, 2, 20, 18);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Loupe"));
    m_picture->setGeometry(4, 23, kPicture, kPicture);
    m_picture->setScaledContents(true);
    m_picture->setAccessibleName(QStringLiteral("Agrandissement de la zone sous le curseur."));
    m_smallPicture = new QLabel(this);
    m_smallPicture->setObjectName(QStringLiteral("MiniLoupe"));
    m_smallPicture->hide();

    // The slider sits under the picture: "Grossissement :", "+", the slider, "-".
    auto *label = new QLabel(QStringLiteral("Grossissement :"), this);
    label->setObjectName(QStringLiteral("spSkinStdLabel17"));
    label->setGeometry(6, 340, 92, 20);
    auto *plus = new QLabel(QStringLiteral("+"), this);
    plus->setObjectName(QStringLiteral("spSkinStdLabel18"));
    plus->setGeometry(100, 340, 12, 20);
    m_magnificationSlider = new QSlider(Qt::Horizontal, this);
    m_magnificationSlider->setObjectName(QStringLiteral("spSkinTrackBar2"));
    m_magnificationSlider->setGeometry(114, 340, 180, 20);
    m_magnificationSlider->setRange(100, 250);
    m_magnificationSlider->setValue(150);
    m_magnificationSlider->setPageStep(0);   // a click beside the thumb does not move it
    m_magnificationSlider->setAccessibleName(QStringLiteral("Grossissement"));
    auto *minus = new QLabel(QStringLiteral("-"), this);
    minus->setObjectName(QStringLiteral("spSkinStdLabel19"));
    minus->setGeometry(298, 340, 12, 20);

    connect(m_magnificationSlider, &QSlider::valueChanged, this, &Magnifier::onMagnificationChanged);
    connect(m_closeButton, &QToolButton::clicked, this, &Magnifier::closeAndClear);
    connect(m_rollUpButton, &QToolButton::toggled, this,
            [this](bool rolled) { resize(kWidth, rolled ? kCaptionHeight + 2 : kHeight); });
}

int Magnifier::squareSide() const
{
    return m_magnificationSlider->value();
}

void Magnifier::onMagnificationChanged(int v)
{
    // The enlarged picture keeps its content until the next pointer move.
    m_scratch = QImage(v, v, QImage::Format_RGB32);
    m_scratch.fill(Qt::black);
}

void Magnifier::copyFrom(QRect square)
{
    m_lastSquare = square;
    m_scratch = m_window->grab(square).toImage().convertToFormat(QImage::Format_RGB32);
    m_smallPicture->setPixmap(QPixmap::fromImage(m_scratch));
    m_picture->setPixmap(QPixmap::fromImage(m_scratch));
}

void Magnifier::open(int left, int top)
{
    onMagnificationChanged(squareSide());
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

void Magnifier::closeAndClear()
{
    hide();
    m_picture->clear();
    m_smallPicture->clear();
    m_scratch = QImage();
}

} // namespace view
