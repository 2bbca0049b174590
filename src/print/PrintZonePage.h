#pragma once
// Page "Impression": choosing and composing the zone of a sheet to print.

#include "app/Page.h"

class PrintZonePage : public Page {
    Q_OBJECT
public:
    explicit PrintZonePage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;
};
