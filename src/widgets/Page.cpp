#include "widgets/Page.h"
#include "session/AppContext.h"

Page::Page(AppContext &context, const QString &objectName, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(objectName);
}

void Page::setCaption(const QString &caption)
{
    m_context.setCurrentPageIndex(m_index);
    emit captionChanged(caption);
}

void Page::captionFollowsSelection(std::function<QString()> caption)
{
    connect(&m_context, &AppContext::selectionChanged, this, [this, caption = std::move(caption)] {
        if (!isVisible())
            return;
        const QString text = caption();
        if (!text.isEmpty())
            emit captionChanged(text);
    });
}
