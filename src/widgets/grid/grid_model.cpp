#include "widgets/grid/grid_model.h"

#include <QBrush>
#include <algorithm>
#include <QPalette>

#include "db/dataset.h"
#include "db/field.h"
#include "widgets/grid/db_grid.h"

namespace bexlo {

namespace {

// Points the data set's fields at record `row` for the lifetime of the object.
class DisplayRecord {
 public:
  DisplayRecord(TDataSet* ds, int row) : ds_(ds) { ds_->SetDisplayRecord(row); }
  ~DisplayRecord() { ds_->SetDisplayRecord(-1); }
  DisplayRecord(const DisplayRecord&) = delete;
  DisplayRecord& operator=(const DisplayRecord&) = delete;

 private:
  TDataSet* ds_;
};

}  // namespace

TDBGridModel::TDBGridModel(TUCustomDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

int TDBGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TDBGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

TUColumn* TDBGridModel::Column(int column) const {
  TUDBGridColumns& cols = grid_->Columns();
  return column >= 0 && column < cols.Count() ? cols.Items(column) : nullptr;
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  TUColumn* col = Column(index.column());
  if (col == nullptr) return {};
  switch (role) {
    case Qt::TextAlignmentRole: return QVariant::fromValue(col->Alignment() | Qt::AlignVCenter);
    case Qt::FontRole:
      if (col->IsFontStored()) return col->Font();
      return {};
    case Qt::BackgroundRole:
      if (col->Color().isValid()) return QBrush(col->Color());
      return {};
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ForegroundRole:
      break;
    default: return {};
  }
  TDataSet* ds = grid_->ActiveDataSet();
  if (ds == nullptr) return {};
  try {
    DisplayRecord rec(ds, index.row());
    TField* field = col->Field();
    if (role == Qt::ForegroundRole) {
      QColor color;
      if (grid_->OnDrawColor && field != nullptr) {
        color = grid_->palette().color(QPalette::Text);
        const QColor before = color;
        grid_->OnDrawColor(field, color);
        if (color == before) color = QColor();
      }
      if (grid_->IsCurrentRecordChosen()) color = grid_->ChoiceColor();
      return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    if (field == nullptr) return {};
    return QString::fromStdString(role == Qt::EditRole ? field->Text() : field->DisplayText());
  } catch (const std::exception&) {
    return {};
  }
}

bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  TUColumn* col = Column(index.column());
  TDataSet* ds = grid_->ActiveDataSet();
  if (col == nullptr || ds == nullptr) return false;
  TField* field = col->Field();
  if (field == nullptr) return false;
  try {
    if (index.row() != ds->CurrentIndex()) ds->MoveBy(index.row() - ds->CurrentIndex());
    const std::string text = value.toString().toStdString();
    if (ds->State() == dsBrowse) {
      if (text == field->Text()) return true;  // nothing typed: the record stays unedited
      ds->Edit();
    }
    field->SetText(text);
  } catch (const std::exception& e) {
    grid_->ReportError(e);
    return false;
  }
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columns_ - 1));
  return true;
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  TUColumn* col = Column(index.column());
  TDataSet* ds = grid_->ActiveDataSet();
  if ((grid_->Options() & dgEditing) && !grid_->ReadOnly() && col != nullptr && ds != nullptr &&
      ds->CanModify() && !col->ReadOnly() && col->Field() != nullptr && !col->Field()->ReadOnly) {
    f |= Qt::ItemIsEditable;
  }
  return f;
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    TUColumn* col = Column(section);
    return col != nullptr ? col->Title().Caption() : QVariant();
  }
  return {};
}

bool TDBGridModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !at_end_ && grid_->ActiveDataSet() != nullptr;
}

void TDBGridModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid()) return;
  TDataSet* ds = grid_->ActiveDataSet();
  if (ds == nullptr) return;
  int available = rows_;
  try {
    available = ds->EnsureRecords(rows_ + kFetchBatch);
  } catch (const std::exception& e) {
    at_end_ = true;
    grid_->ReportError(e);
  }
  if (available < rows_ + kFetchBatch) at_end_ = true;
  if (available > rows_) {
    beginInsertRows({}, rows_, available - 1);
    rows_ = available;
    endInsertRows();
  }
}

void TDBGridModel::Reset() {
  beginResetModel();
  TDataSet* ds = grid_->ActiveDataSet();
  columns_ = grid_->Columns().Count();
  rows_ = 0;
  at_end_ = true;
  if (ds != nullptr) {
    try {
      // One screen of records (and at least what the data set has read already), so that the
      // first paint is complete; the view asks for more as it scrolls.
      const int screen = grid_->ScreenRows();
      rows_ = ds->EnsureRecords(std::max({screen, ds->CurrentIndex() + 1, 1}));
      at_end_ = rows_ < screen;
    } catch (const std::exception& e) {
      grid_->ReportError(e);
    }
  }
  endResetModel();
}

void TDBGridModel::SyncRows() {
  TDataSet* ds = grid_->ActiveDataSet();
  const int available = ds != nullptr ? ds->EnsureRecords(0) : 0;
  if (available > rows_) {
    beginInsertRows({}, rows_, available - 1);
    rows_ = available;
    endInsertRows();
  } else if (available < rows_) {
    beginRemoveRows({}, available, rows_ - 1);
    rows_ = available;
    endRemoveRows();
  }
  Repaint();
}

void TDBGridModel::Repaint() {
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

// ---- TGridDataLink ----------------------------------------------------------------------------------

void TGridDataLink::ActiveChanged() { grid_->DataActiveChanged(); }
void TGridDataLink::DataSetChanged() { grid_->DataSetChanged(); }
void TGridDataLink::DataSetScrolled(int) { grid_->DataSetScrolled(); }
void TGridDataLink::RecordChanged(TField*) { grid_->DataRecordChanged(); }
void TGridDataLink::EditingChanged() { grid_->DataEditingChanged(); }
void TGridDataLink::LayoutChanged() { grid_->DataLayoutChanged(); }

}  // namespace bexlo
