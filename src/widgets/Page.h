#pragma once
// A page of the main window's page control. Showing a page sets the window caption and
// the current page number; each page says which.

#include <QWidget>
#include <functional>

class AppContext;

class Page : public QWidget {
    Q_OBJECT
public:
    Page(AppContext &context, const QString &objectName, QWidget *parent = nullptr);

    // Runs each time the page is brought to the front (the page's "Show" handler).
    virtual void onShow() = 0;

signals:
    void captionChanged(const QString &caption);

protected:
    void setCaptionAndNumber(const QString &caption, int pageNumber);
    // For a page whose caption names the selected sheet: while the page is shown, another
    // selection gives it `caption()` at once (an empty text keeps the caption it has).
    void captionFollowsSelection(std::function<QString()> caption);
    AppContext &m_context;
};
