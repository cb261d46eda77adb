// TDBGridModel: the grid's table model over a buffered data set. Rows are the records the data
// set has read; more are read (fetchMore) as the view scrolls towards the end, so opening costs
// one screen whatever the size of the result. The model keeps nothing per row: each cell is read
// from the data set's record when the view asks for it.
//
// TGridDataLink: the grid's data link; it turns the data set's events into model and view
// updates.
#pragma once

#include <QAbstractTableModel>

#include "db/data_source.h"

namespace bexlo {

class TUCustomDBGrid;
class TUColumn;

class TDBGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Records read at once when the view wants more.
  static constexpr int kFetchBatch = 100;

  explicit TDBGridModel(TUCustomDBGrid* grid);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // The data set opened, closed or changed its fields: everything is read again.
  void Reset();
  // The data set's records changed (post, refresh, a move past the rows shown): the row count
  // follows the records read and every shown cell is read again.
  void SyncRows();
  // Repaints every cell (choice, colours) without touching the row count.
  void Repaint();
  // The grid's column of a model column.
  TUColumn* Column(int column) const;

 private:
  TUCustomDBGrid* grid_;
  int rows_ = 0;
  int columns_ = 0;
  bool at_end_ = true;
};

class TGridDataLink : public TDataLink {
 public:
  explicit TGridDataLink(TUCustomDBGrid* grid) : grid_(grid) {}
  std::string_view ClassName() const noexcept override { return "TGridDataLink"; }

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void RecordChanged(TField* field) override;
  void EditingChanged() override;
  void LayoutChanged() override;

 private:
  TUCustomDBGrid* grid_;
};

}  // namespace bexlo
