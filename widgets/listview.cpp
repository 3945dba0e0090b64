#include "widgets/listview.h"

#include "widgets/chrome.h"

#include <QHeaderView>

#include <stdexcept>

namespace kestrune {

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QModelIndex ListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0 || role != Qt::DisplayRole)
        return QVariant();
    std::string_view line = m_lines.at(static_cast<std::size_t>(index.row()));
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_headers.size())
        return QVariant();
    return m_headers.at(section);
}

void ListModel::addHeader(const QString &text)
{
    const int column = static_cast<int>(m_headers.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_headers.append(text);
    endInsertColumns();
}

void ListModel::append(std::string_view line)
{
    int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_lines.append(line);
    endInsertRows();
}

void ListModel::append(TextLines lines)
{
    if (lines.empty())
        return;
    int row = rowCount();
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(lines.size()) - 1);
    m_lines.append(std::move(lines));
    endInsertRows();
}

void ListModel::clear()
{
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

ListView::ListView(QWidget *parent)
    : QTreeView(parent)
{
    setModel(&m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSortingEnabled(false);
    // Text beyond the column is cut off until the user widens the column.
    setTextElideMode(Qt::ElideNone);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

void ListView::addColumnHeader(const QString &text) { m_model.addHeader(text); }

void ListView::setColumnWidthTwips(int column, int twips)
{
    setColumnWidth(column - 1, twipsToPixels(twips));
}

void ListView::selectFirstIfNoneWasThere(int countBefore)
{
    if (countBefore == 0 && count() > 0)
        select(1);
}

void ListView::addItem(const QString &text)
{
    int before = count();
    QByteArray utf8 = text.toUtf8();
    m_model.append(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    selectFirstIfNoneWasThere(before);
}

void ListView::addItems(TextLines lines)
{
    int before = count();
    m_model.append(std::move(lines));
    selectFirstIfNoneWasThere(before);
}

int ListView::count() const { return m_model.rowCount(); }

QString ListView::itemText(int position) const
{
    if (position < 1 || position > count())
        throw std::out_of_range("Index out of bounds");
    std::string_view line = m_model.lines().at(static_cast<std::size_t>(position - 1));
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

void ListView::clear() { m_model.clear(); }

int ListView::selectedIndex() const
{
    QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        throw std::runtime_error("No item is selected in the list.");
    return current.row() + 1;
}

QString ListView::selectedText() const { return itemText(selectedIndex()); }

void ListView::select(int position) { setCurrentIndex(m_model.index(position - 1, 0)); }

} // namespace kestrune
