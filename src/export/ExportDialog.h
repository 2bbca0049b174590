#pragma once
// "Exporter la carte entière...": the file asked in the save dialog (from "Mes cartes"),
// then a box that tells the picture's size, the file size to expect and the missing tiles
// before anything is written, and, once "Exporter" is pressed, a gauge and "Annuler" while
// the export runs on its own thread. The end is told in a message box.

#include "export/ExportRunner.h"
#include "platform/Workers.h"

#include <QDialog>
#include <atomic>

class AppContext;
class Desktop;
class QLabel;
class QProgressBar;
class QPushButton;

namespace exporting {

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(Desktop &desktop, ExportPlan plan, const QString &path, Format format, QWidget *parent = nullptr);
    ~ExportDialog() override;

    const ExportPlan &plan() const { return m_plan; }
    const QString &path() const { return m_path; }
    // "Exporter": writes the file on a thread of its own.
    void start();
    bool running() const { return m_started && !m_finished; }

signals:
    // The export ended (written, cancelled or failed); the box closes itself then.
    void exportFinished(const exporting::ExportResult &result);

protected:
    void reject() override;   // "Annuler", Escape, the close box: cancels a running export

private:
    void onProgress(int rowsDone, int rows);
    void onFinished(const ExportResult &result);

    Desktop &m_desktop;
    ExportPlan m_plan;
    QString m_path;
    Format m_format;
    QLabel *m_summary;
    QProgressBar *m_gauge;
    QPushButton *m_startButton;
    QPushButton *m_cancelButton;
    std::atomic<bool> m_cancel = false;
    bool m_started = false;
    bool m_finished = false;
    workers::Queue m_worker;   // last: its task ends before the rest goes
};

// Asks where to export the map of `mapFolder` (tiles of `grid`), starting in
// `startFolder`, then opens the box. Null when there is nothing to export, the dialog was
// cancelled or the format cannot hold the picture (the user was told why).
ExportDialog *exportWholeMap(QWidget *parent, Desktop &desktop, const QString &startFolder,
                             const QString &mapFolder, QSize grid);
// The same for the selected map (of an archive map of several sheets, the selected sheet).
ExportDialog *exportSelectedMap(QWidget *parent, AppContext &context);

// The caption of the box and the text of its entry points.
QString exportCaption();
QString exportEntryText();
QString exportHint();

} // namespace exporting

Q_DECLARE_METATYPE(exporting::ExportResult)
