// The order edit window of the sample application: one order (customer, date, status) and its
// lines, reached from the orders list through a record link. The customer and each line's product
// are chosen with dictionary buttons, their names shown beside the codes. Page Down and Page Up
// move to the next and previous order of the list (saving on the way); Add saves and starts the
// next new order. The order and its lines are saved together, in one transaction.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bexlo {
class TDataSet;
class TDataSource;
class TDicButton;
class TPtDBLink;
class TPtFormLink;
class TQuery;
class TUDBGrid;
}  // namespace bexlo

namespace bexlo::demo {

class TOrderEditForm : public QDialog {
  Q_OBJECT
 public:
  TOrderEditForm(std::string databaseName, QWidget* parent = nullptr);
  ~TOrderEditForm() override;

  TPtDBLink* Link() const { return link_; }
  TQuery& Order() { return *order_; }
  TQuery& Lines() { return *lines_; }
  TUDBGrid* LinesGrid() const { return lines_grid_; }
  QLineEdit* CustomerEdit() const { return customer_; }
  QLineEdit* ProductEdit() const { return product_; }
  QLineEdit* QuantityEdit() const { return quantity_; }
  // Reads the customer's and the current line's product names into their labels.
  void RefreshNames();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildLayout();
  void OrderOpened();
  void NewOrder(TDataSet* order);
  void NewLine(TDataSet* line);
  // A change of the lines makes the order itself something to save.
  void LinesChanged();
  void ProductChanged();
  void Save();
  void CancelChanges();
  void DeleteOrder(TQuery* list);
  void UpdateCaption();

  std::string database_;
  std::unique_ptr<TQuery> order_;
  std::unique_ptr<TDataSource> order_source_;
  std::unique_ptr<TQuery> lines_;
  std::unique_ptr<TDataSource> lines_source_;
  TPtDBLink* link_ = nullptr;
  QLineEdit* number_ = nullptr;
  QLineEdit* date_ = nullptr;
  QLineEdit* status_ = nullptr;
  QLineEdit* customer_ = nullptr;
  QLabel* customer_name_ = nullptr;
  TDicButton* customer_button_ = nullptr;
  TUDBGrid* lines_grid_ = nullptr;
  QLineEdit* product_ = nullptr;
  QLabel* product_name_ = nullptr;
  TDicButton* product_button_ = nullptr;
  QLineEdit* quantity_ = nullptr;
  QLineEdit* price_ = nullptr;
  QLineEdit* discount_ = nullptr;
  int last_line_no_ = 0;
};

// Wires the orders list to the edit window: Enter or a double click edits the current order,
// Ctrl+Insert makes a new one, Ctrl+Delete deletes the current one (after a question).
class TOrderLinks {
 public:
  TOrderLinks(QWidget* listGrid, TDataSource* listSource, std::string databaseName);
  ~TOrderLinks();
  TOrderEditForm* Form() const { return form_.get(); }
  TPtFormLink* Link() const { return link_.get(); }
  TDataSource* Source() const { return source_; }
  void NewOrder();
  void EditOrder();
  void DeleteOrder();

 private:
  QWidget* grid_;
  TDataSource* source_;
  std::unique_ptr<TOrderEditForm> form_;
  std::unique_ptr<TPtFormLink> link_;
  std::unique_ptr<QObject> keys_;
};

// Opens the list's current order in the edit window without a modal loop, renders it, and
// discards the edit (for --screenshots).
QPixmap GrabOrderEditWindow(TOrderLinks& links);

}  // namespace bexlo::demo
