#pragma once
#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio items with an item index; `clicked` runs once each time an
// item is picked, however it is (mouse, keyboard, the accessibility interface), when the
// user clicks the item already picked, and when code calls click().
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);
    int itemIndex() const;
    // Checks the item without running the click action.
    void setItemIndex(int index);
    // Checks the item and runs the click action, as a user's click does.
    void click(int index);
    QRadioButton *item(int index) const;

signals:
    void clicked();

private:
    QButtonGroup *m_group;
    bool m_silent = false;          // setItemIndex: no action
    bool m_ranForThisClick = false; // the click being handled already ran the action by its change
};
