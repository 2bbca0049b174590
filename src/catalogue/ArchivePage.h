#pragma once
// Page "Autres cartes": the maps of the library's archives.

#include "app/Page.h"

class ColourSquare;
struct InstallationStatus;

class ArchivePage : public Page {
    Q_OBJECT
public:
    explicit ArchivePage(AppContext &context, QWidget *parent = nullptr);
    void onShow() override;

    ColourSquare *Shape69;

private:
    void applyStatus(const InstallationStatus &status);
};
