#include "widgets/TextFit.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTextDocument>
#include <QToolButton>
#include <QApplication>
#include <QRegularExpression>

namespace textfit {
namespace {

constexpr int kSmallestPixelSize = 9;

QString plainText(const QString &text)
{
    QString plain = text;
    for (int i = 0; i < plain.size(); ++i)
        if (plain.at(i) == u'&' && i + 1 < plain.size())
            plain.remove(i, 1);   // "&&" keeps one
    return plain;
}

QSize lineSize(const QFontMetrics &metrics, const QString &text)
{
    return metrics.size(Qt::TextShowMnemonic, text);
}

Room buttonRoom(const QAbstractButton *button)
{
    const QString text = button->text();
    if (text.isEmpty())
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox *>(button))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton *>(button))
        element = QStyle::SE_RadioButtonContents;
    else if (auto *push = qobject_cast<const QPushButton *>(button)) {
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
    } else {
        // A tool button draws its text in its whole face but for a thin frame.
        return {lineSize(button->fontMetrics(), text), button->rect().adjusted(2, 2, -2, -2).size()};
    }
    const QRect contents = button->style()->subElementRect(element, &option, button);
    QSize needed = lineSize(button->fontMetrics(), text);
    if (!button->icon().isNull() && element == QStyle::SE_PushButtonContents)
        needed.rwidth() += button->iconSize().width() + 4;
    // Check boxes and radio buttons draw their text one pixel in from the contents.
    if (element != QStyle::SE_PushButtonContents)
        needed.rwidth() += 1;
    return {needed, contents.size()};
}

Room labelRoom(const QLabel *label)
{
    const QString text = label->text();
    if (text.isEmpty() || !label->pixmap().isNull() || Qt::mightBeRichText(text))
        return {};
    const int margin = label->margin();
    int indent = label->indent();
    if (indent < 0)
        indent = label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance(u'x') / 2 : 0;
    QSize available = label->contentsRect().size() - QSize(2 * margin, 2 * margin);
    if (indent > 0 && (label->alignment() & (Qt::AlignLeft | Qt::AlignRight)))
        available.rwidth() -= indent;
    const QFontMetrics metrics = label->fontMetrics();
    if (label->wordWrap()) {
        const QRect bounds = metrics.boundingRect(QRect(0, 0, qMax(available.width(), 1), 100000),
                                                  Qt::TextWordWrap | int(label->alignment()), text);
        // A word longer than the line is cut however the text wraps.
        int longestWord = 0;
        for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            longestWord = qMax(longestWord, metrics.horizontalAdvance(word));
        return {QSize(longestWord, bounds.height()), available};
    }
    return {metrics.size(0, text), available};
}

Room groupRoom(const QGroupBox *box)
{
    const QString title = box->title();
    if (title.isEmpty())
        return {};
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = title;
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (box->isCheckable())
        option.subControls |= QStyle::SC_GroupBoxCheckBox;
    if (box->isFlat())
        option.features |= QStyleOptionFrame::Flat;
    const QRect caption = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    // The caption needs its width and the same margin on the right as on the left.
    return {QSize(caption.right() + 1 + qMax(caption.left(), 0), caption.height()),
            QSize(box->width(), qMax(box->height(), caption.height()))};
}

// Widgets whose place can be taken from a control that grows: the visible controls
// beside it, but not pictures over which controls are laid on purpose.
bool isObstacle(const QWidget *sibling)
{
    return !sibling->isHidden() && !sibling->isWindow();
}

bool overlapsSibling(const QWidget *widget, const QRect &bounds)
{
    const QWidget *parent = widget->parentWidget();
    if (!parent)
        return false;
    for (QObject *object : parent->children()) {
        auto *sibling = qobject_cast<QWidget *>(object);
        if (!sibling || sibling == widget || !isObstacle(sibling))
            continue;
        // Siblings it already covers (a control laid over a picture) do not count.
        if (sibling->geometry().intersects(widget->geometry()))
            continue;
        if (sibling->geometry().intersects(bounds))
            return true;
    }
    return false;
}

// The direction a control's text is aligned in.
Qt::Alignment textAlignment(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->alignment();
    if (qobject_cast<const QPushButton *>(widget) || qobject_cast<const QToolButton *>(widget))
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

// The bounds grown by `extra` in the direction `alignment` says, kept in the parent.
QRect grown(const QWidget *widget, QSize extra, Qt::Alignment alignment)
{
    QRect bounds = widget->geometry();
    if (alignment & Qt::AlignRight)
        bounds.setLeft(bounds.left() - extra.width());
    else if (alignment & Qt::AlignHCenter) {
        bounds.setLeft(bounds.left() - extra.width() / 2);
        bounds.setRight(bounds.right() + extra.width() - extra.width() / 2);
    } else {
        bounds.setRight(bounds.right() + extra.width());
    }
    bounds.setBottom(bounds.bottom() + extra.height());
    if (const QWidget *parent = widget->parentWidget()) {
        // A page gets its size from its stack only when brought to the front: the size it gets.
        const auto *stack = qobject_cast<const QStackedWidget *>(parent->parentWidget());
        const QRect area = stack ? QRect(QPoint(0, 0), stack->contentsRect().size()) : parent->rect();
        if (bounds.right() > area.right())
            bounds.moveRight(area.right());
        if (bounds.left() < area.left())
            bounds.moveLeft(area.left());
        if (bounds.bottom() > area.bottom())
            bounds.moveBottom(area.bottom());
        if (bounds.top() < area.top())
            bounds.moveTop(area.top());
        bounds &= area;
    }
    return bounds;
}

QSize shortfall(const Room &room)
{
    return QSize(qMax(0, room.needed.width() - room.available.width()),
                 qMax(0, room.needed.height() - room.available.height()));
}

// A group box's font is inherited by its controls: they keep theirs when its caption shrinks.
void keepChildFonts(QWidget *widget)
{
    if (!qobject_cast<QGroupBox *>(widget))
        return;
    for (QObject *object : widget->children())
        if (auto *child = qobject_cast<QWidget *>(object); child && !child->testAttribute(Qt::WA_SetFont))
            child->setFont(child->font());
}

void fit(QWidget *widget)
{
    Room room = textRoom(widget);
    if (room.needed.isEmpty() || room.fits())
        return;
    QWidget *box = widget->parentWidget();
    const bool laidOut = box && box->layout() && box->layout()->indexOf(widget) >= 0;
    // 1. Grow into free room beside the control: the way its text is aligned first.
    const Qt::Alignment aligned = textAlignment(widget);
    for (const Qt::Alignment way : {aligned, Qt::Alignment(Qt::AlignLeft), Qt::Alignment(Qt::AlignRight)}) {
        if (laidOut)
            break;   // its box's layout places it
        if (way != aligned && !(aligned & Qt::AlignHCenter))
            continue;   // a text aligned to one side grows to the other only
        const QRect bounds = grown(widget, shortfall(room), way);
        if (overlapsSibling(widget, bounds))
            continue;
        const QRect before = widget->geometry();
        widget->setGeometry(bounds);
        if (textRoom(widget).fits())
            return;
        widget->setGeometry(before);
    }
    // 1b. A control placed by its box's layout gets its room from the box: the box grows.
    if (laidOut) {
        const QRect before = box->geometry();
        const QRect bounds = grown(box, shortfall(room), Qt::AlignLeft);
        if (!overlapsSibling(box, bounds)) {
            box->setGeometry(bounds);
            box->layout()->setGeometry(box->rect());   // a box still being shown has no resize event yet
            if (textRoom(widget).fits())
                return;
            box->setGeometry(before);
            box->layout()->setGeometry(box->rect());
        }
    }
    // 2. A smaller font, a pixel at a time.
    keepChildFonts(widget);
    QFont font = widget->font();
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!room.fits() && pixels > kSmallestPixelSize) {
        font.setPixelSize(--pixels);
        widget->setFont(font);
        room = textRoom(widget);
    }
    // 3. Still too long at the smallest font: the control grows however it can.
    if (!room.fits())
        widget->setGeometry(grown(widget, shortfall(room), textAlignment(widget)));
}

class Fitter : public QObject {
public:
    explicit Fitter(QWidget *root) : QObject(root), m_root(root) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A box shown the first time has its final size (a page gets its size in the page
        // control only when it is brought to the front): the room beside each of its
        // controls is known.
        if (event->type() == QEvent::Show && !m_busy) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && !widget->property(kFitted).toBool()
                && (widget == m_root || m_root->isAncestorOf(widget))) {
                widget->setProperty(kFitted, true);
                m_busy = true;
                fitChildren(widget);
                m_busy = false;
            }
        }
        if (event->type() == QEvent::LayoutRequest && !m_busy) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && (widget == m_root || m_root->isAncestorOf(widget))) {
                m_busy = true;
                fitChildren(widget);
                m_busy = false;
            }
        }
        return false;
    }

private:
    QWidget *m_root;
    bool m_busy = false;
    static constexpr const char *kFitted = "textFitted";
};

} // namespace

bool showsText(const QWidget *widget)
{
    return qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QLabel *>(widget)
        || qobject_cast<const QGroupBox *>(widget);
}

Room textRoom(const QWidget *widget)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return buttonRoom(button);
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return labelRoom(label);
    if (auto *box = qobject_cast<const QGroupBox *>(widget))
        return groupRoom(box);
    return {};
}

void fitChildren(QWidget *parent)
{
    // Controls placed by a layout have their room once the layout has run.
    if (parent->layout())
        parent->layout()->activate();
    for (QObject *object : parent->children())
        if (auto *widget = qobject_cast<QWidget *>(object); widget && !widget->isWindow() && showsText(widget))
            fit(widget);
}

void fitTree(QWidget *root)
{
    fitChildren(root);
    for (QWidget *widget : root->findChildren<QWidget *>())
        if (!widget->isWindow())
            fitChildren(widget);
}

void keepFitted(QWidget *root)
{
    auto *fitter = new Fitter(root);
    qApp->installEventFilter(fitter);
}

} // namespace textfit
