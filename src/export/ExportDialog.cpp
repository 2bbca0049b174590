#include "export/ExportDialog.h"

#include "platform/Desktop.h"
#include "session/AppContext.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace exporting {

QString exportCaption()
{
    return QStringLiteral("Exporter la carte entière");
}

QString exportEntryText()
{
    return QStringLiteral("Exporter la carte entière...");
}

QString exportHint()
{
    return QStringLiteral("Enregistre toute la carte sélectionnée en pleine résolution dans un fichier JPEG, TIFF ou PNG");
}

ExportDialog::ExportDialog(Desktop &desktop, ExportPlan plan, const QString &path, Format format, QWidget *parent)
    : QDialog(parent), m_desktop(desktop), m_plan(std::move(plan)), m_path(path), m_format(format)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(exportCaption());
    auto *layout = new QVBoxLayout(this);
    auto *file = new QLabel(QStringLiteral("Fichier : ") + QDir::toNativeSeparators(path), this);
    file->setObjectName(QStringLiteral("ExportFile"));
    file->setWordWrap(true);
    m_summary = new QLabel(planSummary(m_plan, format), this);
    m_summary->setObjectName(QStringLiteral("ExportSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("ExportGauge"));
    m_gauge->setRange(0, qMax(1, m_plan.grid.height()));
    m_gauge->setValue(0);
    m_gauge->setAccessibleName(QStringLiteral("Avancement de l'export"));
    m_startButton = new QPushButton(QStringLiteral("Exporter"), this);
    m_startButton->setObjectName(QStringLiteral("ExportStart"));
    m_startButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Annuler"), this);
    m_cancelButton->setObjectName(QStringLiteral("ExportCancel"));
    // Return while the export runs must not cancel it: only a click or Escape does.
    m_cancelButton->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_cancelButton);
    layout->addWidget(file);
    layout->addWidget(m_summary);
    layout->addWidget(m_gauge);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    connect(m_startButton, &QPushButton::clicked, this, &ExportDialog::start);
    connect(m_cancelButton, &QPushButton::clicked, this, &ExportDialog::reject);
}

ExportDialog::~ExportDialog()
{
    m_cancel = true;
    m_worker.waitForDone();
}

void ExportDialog::start()
{
    if (m_started)
        return;
    m_started = true;
    m_startButton->setEnabled(false);
    m_cancel = false;
    m_worker.post([this] {
        const ExportResult result = runExport(m_plan, m_path, m_format, m_cancel, [this](int done, int rows) {
            QMetaObject::invokeMethod(this, [this, done, rows] { onProgress(done, rows); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(this, [this, result] { onFinished(result); }, Qt::QueuedConnection);
    });
}

void ExportDialog::reject()
{
    if (running()) {
        // The thread stops at its next row and removes what it wrote; the box closes then.
        m_cancel = true;
        m_cancelButton->setEnabled(false);
        return;
    }
    QDialog::reject();
}

void ExportDialog::onProgress(int rowsDone, int rows)
{
    m_gauge->setMaximum(rows);
    m_gauge->setValue(rowsDone);
}

void ExportDialog::onFinished(const ExportResult &result)
{
    m_finished = true;
    m_worker.waitForDone();
    hide();
    if (result.outcome == ExportResult::Written)
        m_desktop.message(result.message, exportCaption());
    else if (result.outcome != ExportResult::Cancelled)
        m_desktop.error(result.message);
    emit exportFinished(result);
    QDialog::done(result.outcome == ExportResult::Written ? Accepted : Rejected);
}

ExportDialog *exportWholeMap(QWidget *parent, Desktop &desktop, const QString &startFolder,
                             const QString &mapFolder, QSize grid)
{
    ExportPlan plan = planExport(mapFolder, grid);
    if (plan.empty()) {
        desktop.error(QStringLiteral("Aucune image de la carte n'est installée dans le dossier %1")
                          .arg(QDir::toNativeSeparators(mapFolder)));
        return nullptr;
    }
    QDir().mkpath(startFolder);
    int filter = 1;
    const QString path = desktop.saveFileName(exportCaption(), {jpegFilter(), tiffFilter(), pngFilter()}, filter,
                                              startFolder);
    if (path.isEmpty())
        return nullptr;
    const std::optional<Format> format = formatOfPath(path);
    if (!format) {
        desktop.error(unknownFormatMessage(path));
        return nullptr;
    }
    if (*format == Format::Jpeg && (plan.picture.width() > kJpegMaxSide || plan.picture.height() > kJpegMaxSide)) {
        desktop.error(jpegTooLargeMessage(plan.picture.width(), plan.picture.height()));
        return nullptr;
    }
    auto *dialog = new ExportDialog(desktop, std::move(plan), path, *format, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

ExportDialog *exportSelectedMap(QWidget *parent, AppContext &context)
{
    return exportWholeMap(parent, context.desktop(), context.scratchFolder(), context.selectedMapFolder(),
                          context.selectedTileGrid());
}

} // namespace exporting
