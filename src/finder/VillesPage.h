#pragma once
// Page "Villes": the Cassini sheet that covers a town from its coordinates.

#include "app/Page.h"

class VillesPage : public Page {
    Q_OBJECT
public:
    explicit VillesPage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;
};
