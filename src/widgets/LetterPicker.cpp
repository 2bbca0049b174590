#include "widgets/LetterPicker.h"

#include <QAccessibleWidget>

namespace {

class LetterPickerAccessible : public QAccessibleWidget {
public:
    explicit LetterPickerAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *box = static_cast<const QComboBox *>(widget());
        switch (t) {
        case QAccessible::Name:
            return box->accessibleName() + QStringLiteral(" : ") + box->currentText();
        case QAccessible::Value:
            return box->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface *letterPickerFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("LetterPicker") && object && object->isWidgetType())
        return new LetterPickerAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

LetterPicker::LetterPicker(QWidget *parent) : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(letterPickerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Eight letters at a time in a list that scrolls, below the picker, whatever the style's
    // habit of a list as long as its items around the current one.
    setMaxVisibleItems(kVisibleLetters);
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    // A screen reader hears the new value with the picker's name.
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    });
}
