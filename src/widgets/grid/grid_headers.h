// The grid's fixed parts: the title header (multi-line titles over the search row), the indicator
// column (the current record's arrow, or the edit and insert marks), the indicator corner (one
// colour while the search grid is locked, filtered or built) and the cell delegate that keeps the
// choice colour on highlighted cells.
#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QWidget>

namespace bexlo {

class TUCustomDBGrid;

// The lines a title caption shows in a cell `width` pixels wide: at "|" or, by width, in equal
// character counts (count = length x width / (text width + margin)).
QStringList TitleLines(const QString& caption, bool byWidth, int width, const QFontMetrics& fm, int margin);

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

class TGridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace bexlo
