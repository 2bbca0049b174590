#include "widgets/Page.h"
#include "session/AppContext.h"

Page::Page(AppContext &context, const QString &objectName, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(objectName);
}

void Page::setCaptionAndNumber(const QString &caption, int pageNumber)
{
    m_context.currentPage = pageNumber;
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
