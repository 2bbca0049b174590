#include "download/DownloadList.h"
#include "store/TileStore.h"

namespace download {

TileRect keepOrder(TileRect r, Picker moved)
{
    switch (moved) {
    case Picker::FirstColumn:
        if (r.firstColumn > r.lastColumn)
            r.firstColumn = r.lastColumn;
        break;
    case Picker::LastColumn:
        if (r.lastColumn < r.firstColumn)
            r.lastColumn = r.firstColumn;
        break;
    case Picker::FirstRow:
        if (r.firstRow > r.lastRow)
            r.firstRow = r.lastRow;
        break;
    case Picker::LastRow:
        if (r.lastRow < r.firstRow)
            r.lastRow = r.firstRow;
        break;
    }
    return r;
}

QString stateText(RowState state)
{
    switch (state) {
    case RowState::Waiting: return QStringLiteral("En attente");
    case RowState::Downloading: return QStringLiteral("Téléchargement ");
    case RowState::Downloaded: return QStringLiteral("Téléchargée    ");
    case RowState::Missing: return QStringLiteral("Inexistante    ");
    case RowState::OutsidePicture: return QStringLiteral("Hors de l'image");
    case RowState::AlreadyInstalled: return QStringLiteral("Déjà installée ");
    }
    return {};
}

DownloadList::DownloadList(QObject *parent) : QAbstractTableModel(parent) {}

void DownloadList::build(const TileRect &rect)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(rect.count());
    for (int row = rect.firstRow; row <= rect.lastRow; ++row)
        for (int column = rect.firstColumn; column <= rect.lastColumn; ++column)
            m_rows.append(Row{store::tileFileName(column, row)});
    endResetModel();
}

void DownloadList::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void DownloadList::setState(int row, RowState state, bool checked)
{
    if (row < 0 || row >= m_rows.size())
        return;
    Row &r = m_rows[row];
    if (r.state == state && r.checked == checked)
        return;
    r.state = state;
    r.checked = checked;
    emit dataChanged(index(row, 0), index(row, 1));
}

int DownloadList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DownloadList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant DownloadList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows[index.row()];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return index.column() == 0 ? r.fileName : stateText(r.state);
    if (role == Qt::CheckStateRole && index.column() == 0)
        return r.checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

QVariant DownloadList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("Image") : QStringLiteral("Téléchargement");
}

Qt::ItemFlags DownloadList::flags(const QModelIndex &index) const
{
    // Read-only rows; the check boxes show what the run did and cannot be clicked.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace download
