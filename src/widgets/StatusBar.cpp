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
    spSkinStatusPanel1 = controls::label(this, QStringLiteral("spSkinStatusPanel1"),
                                         QStringLiteral("Carte de Cassini : "), QRect(4, 0, 104, 21));

    spSkinSpinEdit1 = named(new SpinEdit(this), QStringLiteral("spSkinSpinEdit1"), QRect(110, 1, 56, 20),
                            QStringLiteral("Sélectionnez le numéro de la carte à afficher"));
    spSkinSpinEdit1->setAccessibleName(QStringLiteral("Carte de Cassini"));
    {
        const QSignalBlocker blocker(spSkinSpinEdit1);
        spSkinSpinEdit1->setRange(1, 182);
        spSkinSpinEdit1->QSpinBox::setValue(1);
    }

    spSkinEdit5 = named(new QLineEdit(this), QStringLiteral("spSkinEdit5"), QRect(172, 1, 318, 20));
    spSkinEdit5->setReadOnly(true);
    spSkinEdit5->setAccessibleName(QStringLiteral("Titre de la carte sélectionnée"));
    spSkinEdit5Button = named(new QToolButton(this), QStringLiteral("spSkinEdit5Button"),
                              QRect(490, 1, 22, 20), QStringLiteral("Afficher les détails"));
    spSkinEdit5Button->setText(QStringLiteral("…"));
    spSkinEdit5Button->setAccessibleName(QStringLiteral("Afficher les détails"));

    spSkinGauge1 = named(new QProgressBar(this), QStringLiteral("spSkinGauge1"), QRect(518, 2, 172, 17));
    spSkinGauge1->setRange(0, 100);
    spSkinGauge1->setValue(0);
    spSkinGauge1->setTextVisible(false);
    spSkinGauge1->setAccessibleName(QStringLiteral("Progression"));
    m_gauge = std::make_unique<BarGauge>(*spSkinGauge1);
}
