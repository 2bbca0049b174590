#pragma once
// Page "Recherche", the home page: the product's header and its four buttons.

#include "widgets/Page.h"

class QPushButton;

class HomePage : public Page {
    Q_OBJECT
public:
    explicit HomePage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

    void spSkinButton29Click();   // opens the help document beside the program

    QPushButton *spSkinButton5, *spSkinButton11, *spSkinButton29, *spSkinButton1;

signals:
    void quitRequested();
    void aboutRequested();
    void preferencesRequested();
};
