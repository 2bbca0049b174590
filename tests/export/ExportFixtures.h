#pragma once
// Sheets made for the export tests, and the reference picture of a sheet: its tiles joined
// by `vips arrayjoin` on a white ground, cut to the picture's size.

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

namespace export_testing {

// Writes the tiles of `grid` whose size `sizeOf(column, row)` gives (an empty size: none);
// each tile has its own colour block so that a misplaced tile shows.
void writeSheet(const QString &folder, QSize grid, const std::function<QSize(int, int)> &sizeOf);

// Path of vips (empty when it is not installed).
QString vipsProgram();
// Runs a program, true when it exits with 0; its standard output in `output`.
bool runProgram(const QString &program, const QStringList &arguments, QString *output = nullptr);
// The tiles of `grid` in `folder` joined cell by cell (cells of `cell`, white where no tile
// is) and cut to `picture`; a null picture when vips failed.
QImage joinedByVips(const QString &folder, QSize grid, QSize cell, QSize picture, const QString &scratch);
// Any picture file vips reads (JPEG, TIFF, PNG), as RGB32; page 0 of a TIFF.
QImage readWithVips(const QString &path, const QString &scratch);

// Mean and largest difference per channel.
struct Difference {
    double mean = 255;
    int largest = 255;
};
Difference difference(const QImage &a, const QImage &b);

} // namespace export_testing
