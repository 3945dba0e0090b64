#pragma once

#include "core/textlines.h"

#include <QAbstractListModel>
#include <QStringList>
#include <QTreeView>

namespace kestrune {

// The tooltip of a list whose single column may cut its lines off.
inline const QString columnDividerTip
    = QStringLiteral("Move | line to right and out of window to reveal full names.");

// The items of a list view: lines of text kept in one buffer, shown in the first column.
class ListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QModelIndex index(
        int row, int column, const QModelIndex &parent = QModelIndex()) const override;

    void addHeader(const QString &text);
    void append(std::string_view line);
    void append(TextLines lines);
    void clear();
    const TextLines &lines() const { return m_lines; }

private:
    QStringList m_headers;
    TextLines m_lines;
};

// A list in report view, drawn by a QTreeView with a header and no tree: text items at positions
// from 1, one selected item, column headers whose widths are given in twips. Its page watches the
// pointer moving over it.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget *parent = nullptr);

    void addColumnHeader(const QString &text);
    void setColumnWidthTwips(int column, int twips); // column from 1

    void addItem(const QString &text);
    void addItems(TextLines lines);
    int count() const;
    QString itemText(int position) const; // from 1
    void clear();
    const TextLines &lines() const { return m_model.lines(); }

    int selectedIndex() const; // from 1; throws when nothing is selected
    QString selectedText() const;
    void select(int position); // from 1

private:
    void selectFirstIfNoneWasThere(int countBefore);

    ListModel m_model;
};

} // namespace kestrune
