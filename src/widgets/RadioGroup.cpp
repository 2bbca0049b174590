#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items.at(i), this);
        radio->setObjectName(QStringLiteral("item%1").arg(i));
        m_group->addButton(radio, i);
        layout->addWidget(radio);
    }
    // A pick changes which item is checked: that runs the action. A click on the item
    // already checked changes nothing but still runs it, as a click does.
    connect(m_group, &QButtonGroup::idPressed, this, [this] { m_ranForThisClick = false; });
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (!checked || m_silent)
            return;
        m_ranForThisClick = true;
        emit clicked();
    });
    connect(m_group, &QButtonGroup::idClicked, this, [this] {
        if (!m_ranForThisClick)
            emit clicked();
        m_ranForThisClick = false;
    });
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    m_silent = true;
    if (QAbstractButton *b = m_group->button(index))
        b->setChecked(true);
    m_silent = false;
}

void RadioGroup::click(int index)
{
    setItemIndex(index);
    emit clicked();
}

QRadioButton *RadioGroup::item(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}
