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
