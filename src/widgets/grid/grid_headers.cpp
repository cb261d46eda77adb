#include "widgets/grid/grid_headers.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>

#include "db/dataset.h"
#include "grid/grid_labels.h"
#include "widgets/grid/db_grid.h"

namespace bexlo {

namespace {
constexpr int kCellMargin = 4;
}

QStringList CaptionLines(const QString& caption, bool byWidth, int width, const QFontMetrics& fm, int margin,
                         int maxLines) {
  const std::string text = caption.toStdString();
  const int perLine =
      byWidth ? TitleCharsPerLine(static_cast<int>(caption.size()), width, fm.horizontalAdvance(caption), margin) : 0;
  QStringList lines;
  for (const std::string& line : TitleLines(text, byWidth, perLine, maxLines)) lines << QString::fromStdString(line);
  return lines;
}

// ---- the title header ---------------------------------------------------------------------------

TGridTitleHeader::TGridTitleHeader(TUCustomDBGrid* grid, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), grid_(grid) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFocusPolicy(Qt::NoFocus);
}

QSize TGridTitleHeader::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setHeight(grid_->TitleHeight() + grid_->SearchRowHeight());
  return s;
}

void TGridTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  TUColumn* col = logicalIndex < grid_->Columns().Count() ? grid_->Columns().Items(logicalIndex) : nullptr;
  const int titleHeight = grid_->TitleHeight();
  QRect titleRect(rect.left(), rect.top(), rect.width(), titleHeight);
  if (titleHeight > 0) {
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = titleRect;
    opt.section = logicalIndex;
    opt.text.clear();
    opt.position = QStyleOptionHeader::Middle;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    if (col != nullptr && col->Title().Color().isValid()) {
      painter->fillRect(titleRect.adjusted(0, 0, -1, -1), col->Title().Color());
    }
    if (col != nullptr) {
      const QFont font = col->Title().Font();
      painter->setFont(font);
      painter->setPen(palette().color(QPalette::ButtonText));
      const QFontMetrics fm(font);
      const QRect text = titleRect.adjusted(kCellMargin, 2, -kCellMargin, -2);
      const QStringList lines = CaptionLines(col->Title().Caption(), grid_->FormatByWidth(), text.width(), fm,
                                             kCellMargin, grid_->TitleRows());
      int y = text.top();
      for (int i = 0; i < lines.size() && y + fm.height() <= text.bottom() + 2; ++i) {
        const QString line = fm.elidedText(lines[i].trimmed(), Qt::ElideRight, text.width());
        painter->drawText(QRect(text.left(), y, text.width(), fm.height()),
                          int(col->Title().Alignment() | Qt::AlignVCenter), line);
        y += fm.height() + 1;
      }
    }
    painter->restore();
  }
  const int searchHeight = grid_->SearchRowHeight();
  if (searchHeight > 0) {
    const QRect cell(rect.left(), rect.top() + titleHeight, rect.width(), searchHeight);
    painter->save();
    painter->fillRect(cell, palette().color(QPalette::Base));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(cell.topLeft(), cell.topRight());
    painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    painter->drawLine(cell.topRight(), cell.bottomRight());
    const QString value = grid_->SearchText(logicalIndex);
    if (!value.isEmpty()) {
      painter->setPen(grid_->SearchColor());
      painter->setFont(grid_->font());
      painter->drawText(cell.adjusted(kCellMargin, 0, -kCellMargin, 0), Qt::AlignLeft | Qt::AlignVCenter, value);
    }
    painter->restore();
  }
}

// ---- the indicator column -------------------------------------------------------------------------

TGridIndicatorHeader::TGridIndicatorHeader(TUCustomDBGrid* grid, QWidget* parent)
    : QHeaderView(Qt::Vertical, parent), grid_(grid) {
  setSectionResizeMode(QHeaderView::Fixed);
  setSectionsClickable(false);
  setHighlightSections(false);
  setFocusPolicy(Qt::NoFocus);
}

QSize TGridIndicatorHeader::sizeHint() const {
  QSize s = QHeaderView::sizeHint();
  s.setWidth(kWidth);
  return s;
}

void TGridIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  QStyleOptionHeader opt;
  initStyleOption(&opt);
  opt.rect = rect;
  opt.section = logicalIndex;
  opt.text.clear();
  painter->save();
  style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
  TDataSet* ds = grid_->ActiveDataSet();
  const bool selected = ds != nullptr && (grid_->Options() & dgMultiSelect) &&
                        grid_->SelectedRows().IsRecordSelected(logicalIndex);
  const bool current = ds != nullptr && logicalIndex == ds->CurrentIndex();
  if (selected) {
    // A selected record: a dot, moved to the left edge when the current record's arrow is there.
    painter->setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect).center();
    const QPointF at(current && ds->State() == dsBrowse ? rect.left() + 3.5 : c.x(), c.y());
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawEllipse(at, 2.5, 2.5);
    if (current && ds->State() == dsBrowse) {
      QPainterPath arrow;
      arrow.moveTo(c.x() - 1, c.y() - 5);
      arrow.lineTo(c.x() + 5, c.y());
      arrow.lineTo(c.x() - 1, c.y() + 5);
      arrow.closeSubpath();
      painter->fillPath(arrow, palette().color(QPalette::ButtonText));
      painter->restore();
      return;
    }
  }
  if (current) {
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::ButtonText);
    const QPointF c = QRectF(rect).center();
    if (ds->State() == dsEdit) {
      // An I-beam: the record is being edited.
      painter->setPen(QPen(ink, 1.5));
      painter->drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
      painter->drawLine(QPointF(c.x() - 2.5, c.y() - 5), QPointF(c.x() + 2.5, c.y() - 5));
      painter->drawLine(QPointF(c.x() - 2.5, c.y() + 5), QPointF(c.x() + 2.5, c.y() + 5));
    } else if (ds->State() == dsInsert) {
      painter->setPen(ink);
      QFont f = painter->font();
      f.setBold(true);
      painter->setFont(f);
      painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
    } else {
      QPainterPath arrow;
      arrow.moveTo(c.x() - 3, c.y() - 5);
      arrow.lineTo(c.x() + 3, c.y());
      arrow.lineTo(c.x() - 3, c.y() + 5);
      arrow.closeSubpath();
      painter->fillPath(arrow, ink);
    }
  }
  painter->restore();
}

// ---- the indicator corner -------------------------------------------------------------------------

TGridIndicatorCorner::TGridIndicatorCorner(TUCustomDBGrid* grid, QWidget* parent) : QWidget(parent), grid_(grid) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGridIndicatorCorner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor color = grid_->IndicatorCornerColor();
  QStyleOptionHeader opt;
  opt.initFrom(this);
  opt.rect = rect();
  opt.orientation = Qt::Horizontal;
  style()->drawControl(QStyle::CE_HeaderSection, &opt, &painter, this);
  if (color.isValid()) painter.fillRect(rect().adjusted(0, 0, -1, -1), color);
}


// ---- the ellipsis editor ------------------------------------------------------------------------

TEllipsisEdit::TEllipsisEdit(TUCustomDBGrid* grid, QWidget* parent)
    : QWidget(parent), grid_(grid), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_->setFrame(false);
  button_->setText(QStringLiteral("..."));
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  layout->addWidget(edit_);
  layout->addWidget(button_);
  setFocusProxy(edit_);
  setAutoFillBackground(true);
  edit_->installEventFilter(this);
  connect(button_, &QToolButton::clicked, this, [this] { grid_->EditButtonClick(); });
}

bool TEllipsisEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::ControlModifier) {
      grid_->EditButtonClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- cells --------------------------------------------------------------------------------------

QRect TGridCellDelegate::EllipsisButtonRect(const QRect& cell) {
  const int width = std::min(cell.width() / 2, std::max(16, cell.height()));
  return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

void TGridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (index == grid_->currentIndex() && grid_->HasEllipsisButton(index.column())) {
    QStyleOptionButton button;
    button.rect = EllipsisButtonRect(option.rect);
    button.text = QStringLiteral("...");
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    button.palette = option.palette;
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : grid_->style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
  }
  if (grid_->OnDrawColumnCell && index.column() < grid_->Columns().Count()) {
    grid_->OnDrawColumnCell(grid_, option.rect, index.column(), grid_->Columns().Items(index.column()),
                            (option.state & QStyle::State_Selected) != 0);
  }
}

QWidget* TGridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
  TUColumn* col = index.column() < grid_->Columns().Count() ? grid_->Columns().Items(index.column()) : nullptr;
  if (col != nullptr && col->ButtonStyle() == TColumnButtonStyle::cbsEllipsis) return new TEllipsisEdit(grid_, parent);
  if (col == nullptr || col->PickList().isEmpty() || col->ButtonStyle() == TColumnButtonStyle::cbsNone) {
    return QStyledItemDelegate::createEditor(parent, option, index);
  }
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->addItems(col->PickList());
  combo->setMaxVisibleItems(std::max(1, col->DropDownRows()));
  return combo;
}

void TGridCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const {
  if (qobject_cast<TEllipsisEdit*>(editor) != nullptr) {
    editor->setGeometry(option.rect);
    return;
  }
  QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}

bool TGridCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) {
  // A click on the button drawn in the current cell.
  if (event->type() == QEvent::MouseButtonPress && index == grid_->currentIndex() &&
      grid_->HasEllipsisButton(index.column())) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && EllipsisButtonRect(option.rect).contains(mouse->position().toPoint())) {
      grid_->EditButtonClick();
      return true;
    }
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}

void TGridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* ellipsis = qobject_cast<TEllipsisEdit*>(editor)) {
    ellipsis->Edit()->setText(index.data(Qt::EditRole).toString());
    return;
  }
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    combo->setCurrentText(index.data(Qt::EditRole).toString());
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void TGridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* ellipsis = qobject_cast<TEllipsisEdit*>(editor)) {
    model->setData(index, ellipsis->Edit()->text(), Qt::EditRole);
    return;
  }
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    model->setData(index, combo->currentText(), Qt::EditRole);
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

void TGridCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  // Records selected with dgMultiSelect are drawn highlighted across the row.
  if ((grid_->Options() & dgMultiSelect) && grid_->SelectedRows().Count() > 0 &&
      grid_->SelectedRows().IsRecordSelected(index.row())) {
    option->state |= QStyle::State_Selected;
  }
  const QVariant fg = index.data(Qt::ForegroundRole);
  if (fg.canConvert<QBrush>()) {
    // A chosen record keeps its colour on the highlighted cell too.
    option->palette.setBrush(QPalette::HighlightedText, fg.value<QBrush>());
  }
}

}  // namespace bexlo
