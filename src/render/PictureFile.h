#pragma once
// Writing a captured view to a file: BMP directly, JPEG (quality 90, baseline, 24-bit
// colour) through the scratch bitmap "TempImp.bmp". Each returns the empty text on success,
// else the message for the user ("Impossible de créer le fichier " + name).

#include <QImage>
#include <QString>

namespace render {

inline const QString kScratchBitmapName = QStringLiteral("TempImp.bmp");

QString cannotCreateMessage(const QString &fileName);

// The name the picture is written under: the name the user gave, with ".bmp" or ".jpg"
// (type 1 BMP, 2 JPEG) appended when it does not end so already.
QString savedFileName(const QString &chosenName, int type);

QString writeBmp(const QImage &image, const QString &path);
// The scratch bitmap is removed whatever happens.
QString writeJpegThroughScratch(const QImage &image, const QString &path, const QString &scratchFolder);

} // namespace render
