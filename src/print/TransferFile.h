#pragma once
// The bitmap files through which a picture goes to the printer: "imprime.bmp" for a
// one-page print and "imprime" + n + ".bmp" for poster page n, in the scratch folder
// "Mes cartes". Written as Windows bitmaps, read back as 24-bit pictures, deleted after use.

#include <QImage>
#include <QString>

namespace printing {

// Path of the transfer file in the scratch folder; page 0 is the one-page print's file.
QString transferFile(const QString &scratchFolder, int page = 0);

// Writes the picture as a BMP file; false (and a warning in the log) when the file cannot
// be written.
bool writeTransfer(const QString &path, const QImage &picture);
// Reads it back as a 24-bit picture; null (and a warning) when it cannot be read.
QImage readTransfer(const QString &path);
// Deletes the file; a missing file is no error, one that stays is logged.
void removeTransfer(const QString &path);

// "L'image à imprimer est vide.": there is nothing to print.
QString emptyPictureText();
// "Impossible de créer le fichier %s" / "Impossible de lire le fichier %s", the path as
// the system writes it.
QString cannotWrite(const QString &path);
QString cannotRead(const QString &path);

} // namespace printing
