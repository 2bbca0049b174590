#pragma once
// Writes a planned export: rows of tiles decoded side by side on the available cores into a
// few bands, each band handed to the format's writer as soon as it is whole, so that memory
// holds a few rows of tiles whatever the map's size. The file is written under a temporary
// name beside the chosen one and renamed at the end: a cancelled or failed export leaves
// no file, and an existing file is replaced only by a whole new one.

#include "export/ExportPlan.h"
#include "export/PictureWriter.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace exporting {

struct ExportResult {
    enum Outcome { Written, Cancelled, Refused, Failed };
    Outcome outcome = Failed;
    QString message;            // the text for the user, also when written
    QStringList unreadable;     // cells left white: missing, then those that failed to decode
};

struct ExportSettings {
    WriterOptions writer;
    int threads = 0;            // decoding threads; 0: one a core
    int bands = 3;              // rows of tiles held at once
};

// `progress(rowsDone, rows)` runs on the calling thread after each row of tiles is written;
// `cancel` is read between rows and by the decoding threads.
ExportResult runExport(const ExportPlan &plan, const QString &path, Format format,
                       const std::atomic<bool> &cancel,
                       const std::function<void(int rowsDone, int rows)> &progress = {},
                       const ExportSettings &settings = {});

// The end message of a written export: file, size, and the cells left white.
QString writtenMessage(const QString &path, QSize picture, const QStringList &unreadable);

} // namespace exporting
