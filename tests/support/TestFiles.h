#pragma once
// Fixtures made by the tests themselves: temporary folders, generated JPEG tiles, sheet
// folders; the scripted desktop (ScriptedDesktop.h) comes with them.

#include "support/ScriptedDesktop.h"

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>

namespace testing_support {

// A picture with some detail (gradient, lines, the given colour as a block).
QImage makePicture(int width, int height, QColor colour = QColor(200, 40, 40));
// Encodes a picture as JPEG bytes (quality 85).
QByteArray jpegBytes(const QImage &image, int quality = 85);
QByteArray jpegBytes(int width, int height, QColor colour = QColor(200, 40, 40));
// JPEG bytes without their quantisation tables: the header reads, the picture does not.
QByteArray withoutQuantTables(const QByteArray &bytes);
// A flat grey progressive JPEG, every scan at full precision, whose last scan (an empty
// refinement-free AC scan of one colour plane, a few dozen bytes) is repeated
// `extraScans` more times: valid, warning-free, and as slow to decode as it has scans.
QByteArray scanBombJpeg(int width, int height, int extraScans);
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Writes tiles named by walking index (0..675) into a folder, each a small JPEG.
void writeTiles(const QString &folder, const QList<int> &walkIndexes, int width = 16, int height = 12);
QList<int> firstTiles(int count);

} // namespace testing_support
