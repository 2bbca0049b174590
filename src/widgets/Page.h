#pragma once
// A page of the main window's page control. Showing a page sets the window caption, which
// each page says, and makes it the current page.

#include <QWidget>
#include <functional>

class AppContext;

class Page : public QWidget {
    Q_OBJECT
public:
    Page(AppContext &context, const QString &objectName, QWidget *parent = nullptr);

    // Runs each time the page is brought to the front (the page's "Show" handler).
    virtual void onShow() = 0;

    // Its place in the page control, 0 for the home page (the window sets it).
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

signals:
    void captionChanged(const QString &caption);

protected:
    // The window's caption; this page becomes the current one.
    void setCaption(const QString &caption);
    // For a page whose caption names the selected sheet: while the page is shown, another
    // selection gives it `caption()` at once (an empty text keeps the caption it has).
    void captionFollowsSelection(std::function<QString()> caption);
    AppContext &m_context;

private:
    int m_index = 0;
};
