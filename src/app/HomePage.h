#pragma once
// Page "Recherche", the home page: the product's header and its four buttons.

#include "widgets/Page.h"

class HomePage : public Page {
    Q_OBJECT
public:
    explicit HomePage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

signals:
    void quitRequested();
    void aboutRequested();
    void preferencesRequested();

private:
    void onHelpClicked();   // opens the help document beside the program
};
