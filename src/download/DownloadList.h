#pragma once
// The download list: one row per tile of the chosen rectangle of the tile grid, in walking
// order (grid rows outer, columns inner), each with its state text and a check mark that
// the run sets when the tile is done. A table model with two columns, "Image" and
// "Téléchargement"; the check marks are shown, never edited.

#include <QAbstractTableModel>
#include <QSize>
#include <QString>
#include <QVector>
#include <optional>

namespace download {

// The part of the 26 x 26 grid to fetch, 0-based letters (0 = "A"), bounds included.
struct TileRect {
    int firstColumn = 0;
    int lastColumn = 25;
    int firstRow = 0;
    int lastRow = 25;

    int width() const { return lastColumn - firstColumn + 1; }
    int height() const { return lastRow - firstRow + 1; }
    int count() const { return width() * height(); }
    // Tile of list row i (from 0).
    int columnOf(int i) const { return firstColumn + i % width(); }
    int rowOf(int i) const { return firstRow + i / width(); }
    bool operator==(const TileRect &) const = default;
};

// The part of `rect` within the first columns x rows of the grid (a sheet served by IIIF
// may fill less than 26 x 26); nothing when they do not meet.
std::optional<TileRect> withinGrid(const TileRect &rect, QSize grid);

enum class Picker { FirstColumn, LastColumn, FirstRow, LastRow };

// Keeps first <= last after the user moved one picker: the moved picker gives way, the
// other one never moves.
TileRect keepOrder(TileRect rect, Picker moved);

enum class RowState { Waiting, Downloading, Downloaded, Missing, AlreadyInstalled, OutsidePicture };

// "En attente", "Téléchargement ", "Téléchargée    ", "Inexistante    ", "Déjà installée ",
// and "Hors de l'image" for a cell past the grid of a sheet served by IIIF.
QString stateText(RowState state);

class DownloadList : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DownloadList(QObject *parent = nullptr);

    // Rows of the rectangle, all "En attente", unchecked.
    void build(const TileRect &rect);
    void clear();

    int count() const { return int(m_rows.size()); }
    QString fileName(int row) const { return m_rows.value(row).fileName; }
    RowState state(int row) const { return m_rows.value(row).state; }
    QString text(int row) const { return stateText(state(row)); }
    bool checked(int row) const { return m_rows.value(row).checked; }
    void setState(int row, RowState state, bool checked);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row {
        QString fileName;
        RowState state = RowState::Waiting;
        bool checked = false;
    };
    QVector<Row> m_rows;
};

} // namespace download
