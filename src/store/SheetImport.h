#pragma once
// Importing the selected sheet from a backup folder: the warning before overwriting, the
// folder browser, the copy with the status-bar gauge, and the error report.

class AppContext;
class QProgressBar;
class QWidget;

class SheetImport {
public:
    SheetImport(AppContext &context, QProgressBar &gauge, QWidget &mainWindow);

    // Asks before overwriting a map whose first tile exists, then imports. False when the
    // import stopped on an error (the caller then skips its status refresh).
    bool confirmAndImport();
    // ImportSheetFromBackup: the folder browser and the copy into the selection's folder.
    bool importSheetFromBackup();

private:
    AppContext &m_context;
    QProgressBar &m_gauge;
    QWidget &m_mainWindow;
};
