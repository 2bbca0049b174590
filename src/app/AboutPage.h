#pragma once
// Page "A Propos": the product, its version, and links to pages of its web site.

#include "widgets/Page.h"
#include "session/Site.h"

class QPushButton;

class AboutPage : public Page {
    Q_OBJECT
public:
    explicit AboutPage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

    void openSitePage(const QString &path);

    QPushButton *spSkinLinkImage1, *spSkinButton55, *spSkinButton12, *spSkinButton14,
        *spSkinButton15, *spSkinButton47;

signals:
    void closeRequested();
};
