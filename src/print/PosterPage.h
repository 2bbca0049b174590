#pragma once
// Page "Impression poster": a composed picture printed enlarged over several pages.

#include "app/Page.h"

class PosterPage : public Page {
    Q_OBJECT
public:
    explicit PosterPage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;
};
