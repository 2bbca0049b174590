#pragma once
// Page "A Propos": the product, its version, and links to pages of its web site.

#include "app/Page.h"

class QPushButton;

namespace site {
// The product's web site; each button opens a page below it.
inline const QString kRoot = QStringLiteral("http://www.orvantis.fr");
} // namespace site

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
