#include "widgets/StatusBar.h"
#include "widgets/Controls.h"
#include "widgets/SpinEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

using controls::named;

StatusBar::StatusBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("spSkinStatusBar1"));
    controls::label(this, QStringLiteral("spSkinStatusPanel1"), QStringLiteral("Carte de Cassini : "),
                    QRect(4, 0, 104, 21));

    m_sheetNumberEdit = named(new SpinEdit(this), QStringLiteral("spSkinSpinEdit1"), QRect(110, 1, 56, 20),
                              QStringLiteral("Sélectionnez le numéro de la carte à afficher"));
    m_sheetNumberEdit->setAccessibleName(QStringLiteral("Carte de Cassini"));
    {
        const QSignalBlocker blocker(m_sheetNumberEdit);
        m_sheetNumberEdit->setRange(1, 182);
        m_sheetNumberEdit->QSpinBox::setValue(1);
    }

    m_sheetTitleEdit = named(new QLineEdit(this), QStringLiteral("spSkinEdit5"), QRect(172, 1, 318, 20));
    m_sheetTitleEdit->setReadOnly(true);
    m_sheetTitleEdit->setAccessibleName(QStringLiteral("Titre de la carte sélectionnée"));
    m_detailsButton = named(new QToolButton(this), QStringLiteral("spSkinEdit5Button"), QRect(490, 1, 22, 20),
                            QStringLiteral("Afficher les détails"));
    m_detailsButton->setText(QStringLiteral("…"));
    m_detailsButton->setAccessibleName(QStringLiteral("Afficher les détails"));

    m_gaugeBar = named(new QProgressBar(this), QStringLiteral("spSkinGauge1"), QRect(518, 2, 172, 17));
    m_gaugeBar->setRange(0, 100);
    m_gaugeBar->setValue(0);
    m_gaugeBar->setTextVisible(false);
    m_gaugeBar->setAccessibleName(QStringLiteral("Progression"));
    m_gauge = std::make_unique<BarGauge>(*m_gaugeBar);

    connect(m_sheetNumberEdit, &SpinEdit::change, this, &StatusBar::sheetNumberChanged);
    connect(m_detailsButton, &QToolButton::clicked, this, &StatusBar::detailsRequested);
}

int StatusBar::sheetNumber() const
{
    return m_sheetNumberEdit->value();
}

QString StatusBar::sheetNumberText() const
{
    return m_sheetNumberEdit->cleanText();
}

void StatusBar::setSheetNumber(int sheet)
{
    m_sheetNumberEdit->setValue(sheet);
}

void StatusBar::setSheetTitle(const QString &title)
{
    m_sheetTitleEdit->setText(title);
}
