// The grid's fixed parts: the title header (multi-line titles over the search row), the indicator
// column (the current record's arrow, or the edit and insert marks), the indicator corner (one
// colour while the search grid is locked, filtered or built) and the cell delegate that keeps the
// choice colour on highlighted cells.
#pragma once

#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>
#include <QStyledItemDelegate>
#include <QWidget>

namespace bexlo {

class TUCustomDBGrid;

// The lines a title caption shows in a cell `width` pixels wide, at most maxLines: at "|" or, by
// width, in equal character counts (grid/grid_labels.h).
QStringList CaptionLines(const QString& caption, bool byWidth, int width, const QFontMetrics& fm, int margin,
                         int maxLines);

class TGridTitleHeader : public QHeaderView {
  Q_OBJECT
 public:
  TGridTitleHeader(TUCustomDBGrid* grid, QWidget* parent);
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  TUCustomDBGrid* grid_;
};

class TGridIndicatorHeader : public QHeaderView {
  Q_OBJECT
 public:
  static constexpr int kWidth = 16;
  TGridIndicatorHeader(TUCustomDBGrid* grid, QWidget* parent);
  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  TUCustomDBGrid* grid_;
};

class TGridIndicatorCorner : public QWidget {
  Q_OBJECT
 public:
  TGridIndicatorCorner(TUCustomDBGrid* grid, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TUCustomDBGrid* grid_;
};

// The in-place editor of a column with an ellipsis button: the text and a "..." button that
// raises the grid's OnEditButtonClick (so does Ctrl+Enter in the text).
class TEllipsisEdit : public QWidget {
  Q_OBJECT
 public:
  TEllipsisEdit(TUCustomDBGrid* grid, QWidget* parent);
  QLineEdit* Edit() const noexcept { return edit_; }
  QToolButton* Button() const noexcept { return button_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TUCustomDBGrid* grid_;
  QLineEdit* edit_;
  QToolButton* button_;
};

// Draws the data cells (then calls the grid's OnDrawColumnCell) and gives columns with a pick
// list a combo box as their in-place editor, and columns with an ellipsis button their button
// (drawn in the current cell, and in the editor).
class TGridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  TGridCellDelegate(TUCustomDBGrid* grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  // Where the ellipsis button of a cell is drawn (the right end of the cell).
  static QRect EllipsisButtonRect(const QRect& cell);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  TUCustomDBGrid* grid_;
};

}  // namespace bexlo
