#pragma once
// A page of the main window's page control. Showing a page sets the window caption and
// the current page number; each page says which.

#include <QWidget>

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
    AppContext &m_context;
};
