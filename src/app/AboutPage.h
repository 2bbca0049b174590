#pragma once
// Page "A Propos": the product, its version, and links to pages of its web site.

#include "widgets/Page.h"
#include "session/Site.h"

class AboutPage : public Page {
    Q_OBJECT
public:
    explicit AboutPage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

signals:
    void closeRequested();

private:
    // Opens a page of the web site, by its path ("" for the home page).
    void openSitePage(const QString &path);
};
