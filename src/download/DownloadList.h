#pragma once
// The download list: one row per tile of the chosen rectangle of the tile grid, in walking
// order (grid rows outer, columns inner), each with its state text and a check mark that
// the run sets when the tile is done. A table model with two columns, "Image" and
// "Téléchargement"; the check marks are shown, never edited.

#include "source/TileRect.h"

#include <QAbstractTableModel>
#include <QSize>
#include <QString>
#include <QVector>
#include <optional>

namespace download {

using source::RowState;
using source::TileRect;
using source::withinGrid;

enum class Picker { FirstColumn, LastColumn, FirstRow, LastRow };

// Keeps first <= last after the user moved one picker: the moved picker gives way, the
// other one never moves.
TileRect keepOrder(TileRect rect, Picker moved);


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
