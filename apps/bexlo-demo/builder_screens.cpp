#include "builder_screens.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QTabWidget>

#include "grid/query_builder.h"
#include "widgets/builder/query_build_form.h"
#include "widgets/grid/grid_windows.h"
#include "widgets/grid/search_grid.h"

namespace bexlo::demo {

namespace {

void Settle(QWidget& w) {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  w.repaint();
}

QPixmap Shot(QWidget& w) {
  w.show();
  Settle(w);
  return w.grab();
}

// Composes the demo's filter with the builder's own steps ("+", "<", the value box, "OR", the list
// of values), then shows it in the window.
void Fill(TQueryBuildForm& form) {
  TQueryBuilder& b = form.Builder();
  int i = b.AddCondition(b.GetFieldDesc("customer"));
  b.AddOperator(i, boLike);
  b.SetEdit(i, "B%");
  i = b.AddCondition(b.GetFieldDesc("amount"));
  b.AddOperator(i, boGreater);
  b.SetEdit(i, "1000");
  b.AddOr();
  i = b.AddCondition(b.GetFieldDesc("status"));
  b.AddOperator(i, boInList);
  b.SetValueList(i, {"open", "returned"});
  TStringList lines;
  lines.Assign(&b.Conditions());
  form.SetListBox(lines);
  form.Select(1);

  const QList<QListWidgetItem*> amount =
      form.OrderFieldList()->findItems(QString::fromStdString(b.GetFieldDesc("amount")), Qt::MatchExactly);
  if (!amount.isEmpty()) {
    form.OrderFieldList()->setCurrentItem(amount.first());
    form.AddOrderField();
    form.SetDirection(true);
  }
  form.FieldList()->setCurrentRow(2);
  form.OperatorList()->setCurrentRow(boGreater);
}

}  // namespace

std::vector<std::pair<QString, QPixmap>> QueryBuilderScreens(TSearchDBGrid& grid, QWidget& window) {
  std::vector<std::pair<QString, QPixmap>> shots;
  BuilderModalRunner() = [&](QDialog& dialog) {
    auto* form = qobject_cast<TQueryBuildForm*>(&dialog);
    if (form == nullptr) return int(QDialog::Rejected);
    Fill(*form);
    shots.emplace_back(QStringLiteral("query-builder.png"), Shot(*form));
    form->Pages()->setCurrentIndex(1);
    shots.emplace_back(QStringLiteral("query-builder-order.png"), Shot(*form));
    form->Pages()->setCurrentIndex(0);

    TValuesListForm values(form);
    form->Select(3);
    values.SetLines(form->Builder().GetValueList(3));
    shots.emplace_back(QStringLiteral("query-builder-values.png"), Shot(values));
    values.hide();
    std::unique_ptr<TGridMemoForm> text = form->CreateQueryTextForm();
    shots.emplace_back(QStringLiteral("query-builder-text.png"), Shot(*text));
    text->hide();

    form->Execute();
    form->hide();
    return form->result();
  };
  // Ctrl+F9 on the list, as the user presses it.
  grid.setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_F9, Qt::ControlModifier);
  QApplication::sendEvent(&grid, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_F9, Qt::ControlModifier);
  QApplication::sendEvent(&grid, &release);
  BuilderModalRunner() = nullptr;
  if (shots.empty()) return shots;
  shots.emplace_back(QStringLiteral("orders-builder.png"), Shot(window));
  return shots;
}

}  // namespace bexlo::demo
