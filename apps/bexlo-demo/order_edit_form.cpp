#include "order_edit_form.h"

#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/data_source.h"
#include "db/database.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/entry/db_edit_link.h"
#include "widgets/entry/dic_button.h"
#include "widgets/entry/record_link_widgets.h"
#include "widgets/grid/db_grid.h"

namespace bexlo::demo {

namespace {

struct TLook {
  const char* Name;
  const char* Label;
  int Width;
  const char* Format;
};

constexpr TLook kLineLooks[] = {
    {"line_no", "No.", 4, nullptr},        {"product_id", "Product", 8, nullptr},
    {"quantity", "Quantity", 8, nullptr},  {"unit_price", "Unit|price", 10, "#,##0.00"},
    {"discount", "Discount", 8, "0.00"},
};

void DressLines(TDataSet* lines) {
  for (TField* f : lines->Fields()) {
    f->SetVisible(false);
    for (const TLook& look : kLineLooks) {
      if (!SameText(f->FieldName(), look.Name)) continue;
      f->SetVisible(true);
      f->SetDisplayLabel(look.Label);
      f->SetDisplayWidth(look.Width);
      if (look.Format != nullptr) f->SetDisplayFormat(look.Format);
      if (IsNumericType(f->DataType())) f->SetAlignment(TAlignment::taRightJustify);
    }
  }
}

QLineEdit* NumberBox(QWidget* parent, int chars) {
  auto* box = new QLineEdit(parent);
  box->setAlignment(Qt::AlignRight);
  box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) + 16);
  return box;
}

// A code box, its dictionary button and the label with the name, in one row.
QWidget* CodeRow(QWidget* parent, QLineEdit* box, TDicButton* button, QLabel* name) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  box->setParent(row);
  button->setParent(row);
  name->setParent(row);
  button->setFixedSize(box->sizeHint().height(), box->sizeHint().height());
  button->setFocusPolicy(Qt::NoFocus);  // the keypad "+" in the box opens the choice
  name->setMinimumWidth(260);
  layout->addWidget(box);
  layout->addWidget(button);
  layout->addSpacing(6);
  layout->addWidget(name, 1);
  return row;
}

}  // namespace

TOrderEditForm::TOrderEditForm(std::string databaseName, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)) {
  order_ = std::make_unique<TQuery>();
  order_->SetDatabaseName(database_);
  order_->SetSQLText("select id, customer_id, order_date, status from orders where id = :id");
  order_->SetRequestLive(true);
  order_->SetCachedUpdates(true);
  order_->AfterOpen = [this](TDataSet*) { OrderOpened(); };
  order_->OnNewRecord = [this](TDataSet* ds) { NewOrder(ds); };
  order_->AfterScroll = [this](TDataSet*) { UpdateCaption(); };
  order_->AfterPost = [this](TDataSet*) { UpdateCaption(); };
  order_source_ = std::make_unique<TDataSource>();
  order_source_->SetDataSet(order_.get());

  lines_ = std::make_unique<TQuery>();
  lines_->SetDatabaseName(database_);
  lines_->SetSQLText(
      "select order_id, line_no, product_id, quantity, unit_price, discount\n"
      "from order_lines where order_id = :id order by line_no");
  lines_->SetRequestLive(true);
  lines_->SetCachedUpdates(true);
  lines_->AfterOpen = [](TDataSet* ds) { DressLines(ds); };
  lines_->OnNewRecord = [this](TDataSet* ds) { NewLine(ds); };
  lines_->AfterEdit = [this](TDataSet*) { LinesChanged(); };
  lines_->AfterInsert = [this](TDataSet*) { LinesChanged(); };
  lines_->AfterDelete = [this](TDataSet*) { LinesChanged(); };
  lines_source_ = std::make_unique<TDataSource>();
  lines_source_->SetDataSet(lines_.get());

  BuildLayout();

  link_ = new TPtDBLink(this);
  link_->SetQuery(order_.get());
  link_->SetUniqueField("id");
  link_->SetFirstEdit(customer_);
  link_->OnPost = [this](TPtDBLink*) { Save(); };
  link_->OnCancel = [this](TPtDBLink*) { CancelChanges(); };
  link_->OnDelete = [this](TPtDBLink*, TQuery* list) { DeleteOrder(list); };
}

TOrderEditForm::~TOrderEditForm() {
  // The edit boxes' links and the grid let go of the data sources before they go.
  delete link_;
  for (QObject* child : findChildren<TDBEditLink*>()) delete child;
  if (lines_grid_ != nullptr) lines_grid_->SetDataSource(nullptr);
  lines_->Close();
  order_->Close();
}

void TOrderEditForm::BuildLayout() {
  setWindowTitle(QStringLiteral("Order"));
  auto* layout = new QVBoxLayout(this);

  // ---- the order ----
  auto* head = new QFormLayout();
  head->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  number_ = NumberBox(this, 8);
  number_->setReadOnly(true);
  number_->setFocusPolicy(Qt::NoFocus);
  date_ = new QLineEdit(this);
  date_->setMaximumWidth(date_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
  status_ = new QLineEdit(this);
  status_->setMaximumWidth(date_->maximumWidth());
  status_->setCompleter(new QCompleter(QStringList{QStringLiteral("open"), QStringLiteral("shipped"),
                                                   QStringLiteral("returned")},
                                       status_));
  auto* firstRow = new QWidget(this);
  auto* firstLayout = new QHBoxLayout(firstRow);
  firstLayout->setContentsMargins(0, 0, 0, 0);
  firstLayout->addWidget(number_);
  firstLayout->addSpacing(18);
  firstLayout->addWidget(new QLabel(QStringLiteral("&Date"), firstRow));
  firstLayout->addWidget(date_);
  firstLayout->addSpacing(18);
  firstLayout->addWidget(new QLabel(QStringLiteral("&Status"), firstRow));
  firstLayout->addWidget(status_);
  firstLayout->addStretch(1);
  firstRow->findChildren<QLabel*>()[0]->setBuddy(date_);
  firstRow->findChildren<QLabel*>()[1]->setBuddy(status_);
  head->addRow(QStringLiteral("No."), firstRow);

  customer_ = NumberBox(this, 6);
  customer_name_ = new QLabel(this);
  customer_button_ = new TDicButton(this);
  auto* customerLabel = new QLabel(QStringLiteral("&Customer"), this);
  customerLabel->setBuddy(customer_);
  head->addRow(customerLabel, CodeRow(this, customer_, customer_button_, customer_name_));
  layout->addLayout(head);

  customer_button_->SetLinkEdit(customer_);
  customer_button_->SetLinkLabel(customer_name_);
  customer_button_->SetDatabaseName(database_);
  customer_button_->GridSQL().SetText("select id, name, city, country from customers order by name");
  customer_button_->LabelSQL().SetText("select name || ', ' || city as name from customers where id = :id");
  customer_button_->FieldMap().SetText("ID = No., 6\nNAME = Name, 30\nCITY = City, 14\nCOUNTRY = Country, 14");
  customer_button_->SetRefField("id");
  customer_button_->SetTextField("name");
  customer_button_->SetParamType(ftInteger);
  customer_button_->SetRequired(true);
  customer_button_->SetFormTitle("Customers");

  // ---- the lines ----
  auto* linesBox = new QGroupBox(QStringLiteral("Lines"), this);
  auto* linesLayout = new QVBoxLayout(linesBox);
  lines_grid_ = new TUDBGrid(linesBox);
  lines_grid_->SetReadOnly(true);
  lines_grid_->SetTitleRows(2);
  lines_grid_->SetDataSource(lines_source_.get());
  lines_grid_->setMinimumHeight(150);
  linesLayout->addWidget(lines_grid_, 1);

  auto* lineForm = new QFormLayout();
  product_ = NumberBox(linesBox, 6);
  product_name_ = new QLabel(linesBox);
  product_button_ = new TDicButton(linesBox);
  auto* productLabel = new QLabel(QStringLiteral("&Product"), linesBox);
  productLabel->setBuddy(product_);
  lineForm->addRow(productLabel, CodeRow(linesBox, product_, product_button_, product_name_));
  quantity_ = NumberBox(linesBox, 6);
  price_ = NumberBox(linesBox, 10);
  discount_ = NumberBox(linesBox, 5);
  auto* amounts = new QWidget(linesBox);
  auto* amountsLayout = new QHBoxLayout(amounts);
  amountsLayout->setContentsMargins(0, 0, 0, 0);
  amountsLayout->addWidget(quantity_);
  amountsLayout->addSpacing(18);
  auto* priceLabel = new QLabel(QStringLiteral("Unit p&rice"), amounts);
  priceLabel->setBuddy(price_);
  amountsLayout->addWidget(priceLabel);
  amountsLayout->addWidget(price_);
  amountsLayout->addSpacing(18);
  auto* discountLabel = new QLabel(QStringLiteral("D&iscount"), amounts);
  discountLabel->setBuddy(discount_);
  amountsLayout->addWidget(discountLabel);
  amountsLayout->addWidget(discount_);
  amountsLayout->addStretch(1);
  auto* newLine = new QPushButton(QStringLiteral("&New line"), amounts);
  auto* deleteLine = new QPushButton(QStringLiteral("De&lete line"), amounts);
  newLine->setAutoDefault(false);
  deleteLine->setAutoDefault(false);
  amountsLayout->addWidget(newLine);
  amountsLayout->addWidget(deleteLine);
  auto* quantityLabel = new QLabel(QStringLiteral("&Quantity"), linesBox);
  quantityLabel->setBuddy(quantity_);
  lineForm->addRow(quantityLabel, amounts);
  linesLayout->addLayout(lineForm);
  layout->addWidget(linesBox, 1);

  product_button_->SetLinkEdit(product_);
  product_button_->SetLinkLabel(product_name_);
  product_button_->SetDatabaseName(database_);
  product_button_->GridSQL().SetText("select id, code, name, category, unit_price from products order by code");
  product_button_->LabelSQL().SetText("select code || '  ' || name as name from products where id = :id");
  product_button_->FieldMap().SetText(
      "CODE = Code, 8\nNAME = Name, 28\nCATEGORY = Category, 12\nUNIT_PRICE = Unit|price, $9");
  product_button_->SetRefField("id");
  product_button_->SetTextField("name");
  product_button_->SetParamType(ftInteger);
  product_button_->SetRequired(true);
  product_button_->SetFormTitle("Products");
  connect(newLine, &QPushButton::clicked, this, [this] {
    try {
      if (lines_->Active()) lines_->Append();
      product_->setFocus();
    } catch (const Exception& e) {
      MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
    }
  });
  connect(deleteLine, &QPushButton::clicked, this, [this] {
    try {
      if (lines_->Active() && !lines_->IsEmpty()) lines_->Delete();
    } catch (const Exception& e) {
      MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
    }
  });

  // ---- data-aware boxes ----
  new TDBEditLink(number_, order_source_.get(), "id");
  new TDBEditLink(date_, order_source_.get(), "order_date");
  new TDBEditLink(status_, order_source_.get(), "status");
  new TDBEditLink(customer_, order_source_.get(), "customer_id");
  new TDBEditLink(product_, lines_source_.get(), "product_id");
  new TDBEditLink(quantity_, lines_source_.get(), "quantity");
  new TDBEditLink(price_, lines_source_.get(), "unit_price");
  new TDBEditLink(discount_, lines_source_.get(), "discount");
  // The names follow the codes when the record changes under the boxes.
  // (Queued: the edit boxes hear of the new record after this data source does.)
  order_source_->OnDataChange = [this](TObject*, TField* field) {
    if (field == nullptr) QMetaObject::invokeMethod(this, [this] { RefreshNames(); }, Qt::QueuedConnection);
  };
  lines_source_->OnDataChange = [this](TObject*, TField* field) {
    if (field == nullptr) QMetaObject::invokeMethod(this, [this] { RefreshNames(); }, Qt::QueuedConnection);
    else if (SameText(field->FieldName(), "product_id")) ProductChanged();
  };

  // ---- buttons ----
  auto* bottom = new QHBoxLayout();
  auto* hint = new QLabel(QStringLiteral("Page Up / Page Down: previous / next order"), this);
  hint->setEnabled(false);
  bottom->addWidget(hint, 1);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = buttons->addButton(QStringLiteral("&Save"), QDialogButtonBox::AcceptRole);
  QPushButton* add = buttons->addButton(QStringLiteral("&Add"), QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  save->setDefault(true);
  add->setAutoDefault(false);
  add->setToolTip(QStringLiteral("Save this order and start the next new one"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(add, &QPushButton::clicked, this, [this] { done(mrAddRecord); });
  bottom->addWidget(buttons);
  layout->addLayout(bottom);

  setTabOrder(date_, status_);
  setTabOrder(status_, customer_);
  setTabOrder(customer_, lines_grid_);
  setTabOrder(lines_grid_, product_);
  setTabOrder(product_, quantity_);
  setTabOrder(quantity_, price_);
  setTabOrder(price_, discount_);
  resize(640, 520);
}

void TOrderEditForm::OrderOpened() {
  lines_->Close();
  TParam* key = order_->ParamByName("id");
  TParam* lineKey = lines_->ParamByName("id");
  if (key->IsNull()) {
    lineKey->Clear();
    lineKey->SetDataType(ftInteger);
  } else {
    lineKey->SetAsInteger(key->AsInteger());
  }
  lines_->Open();
  last_line_no_ = 0;
  lines_->DisableControls();
  for (lines_->First(); !lines_->Eof(); lines_->Next()) {
    last_line_no_ = std::max<int>(last_line_no_, static_cast<int>(lines_->FieldByName("line_no")->AsInteger()));
  }
  lines_->First();
  lines_->EnableControls();
  UpdateCaption();
}

void TOrderEditForm::NewOrder(TDataSet* order) {
  TQuery next;
  next.SetDatabaseName(database_);
  next.SetSQLText("select coalesce(max(id), 0) + 1 from orders");
  next.Open();
  order->FieldByName("id")->SetAsInteger(next.Fields(0)->AsInteger());
  order->FieldByName("order_date")->SetAsDateTime(Date());
  order->FieldByName("status")->SetAsString("open");
  // A new order starts without lines.
  if (lines_->Active() && !lines_->IsEmpty()) {
    lines_->Close();
    lines_->ParamByName("id")->Clear();
    lines_->Open();
  }
  last_line_no_ = 0;
}

void TOrderEditForm::NewLine(TDataSet* line) {
  if (order_->Active() && !order_->IsEmpty()) {
    line->FieldByName("order_id")->SetAsInteger(order_->FieldByName("id")->AsInteger());
  }
  line->FieldByName("line_no")->SetAsInteger(++last_line_no_);
  line->FieldByName("quantity")->SetAsInteger(1);
  line->FieldByName("discount")->SetAsFloat(0);
}

void TOrderEditForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  RefreshNames();
}

void TOrderEditForm::RefreshNames() {
  try {
    customer_button_->RefreshLabel();
    product_button_->RefreshLabel();
  } catch (const Exception& e) {
    customer_name_->setText(QString::fromStdString(e.Message()));
  }
}

void TOrderEditForm::ProductChanged() {
  // A product chosen for a line without a price brings its price along.
  if (lines_->State() == dsBrowse || !lines_->FieldByName("unit_price")->IsNull()) return;
  TField* product = lines_->FieldByName("product_id");
  if (product->IsNull()) return;
  TQuery price;
  price.SetDatabaseName(database_);
  price.SetSQLText("select unit_price from products where id = :id");
  price.ParamByName("id")->SetAsInteger(product->AsInteger());
  price.Open();
  if (!price.IsEmpty()) lines_->FieldByName("unit_price")->SetAsFloat(price.Fields(0)->AsFloat());
}

void TOrderEditForm::LinesChanged() {
  if (!order_->Active() || order_->IsEmpty()) return;
  if (order_->State() == dsBrowse) order_->Edit();
  // Marks the order as changed so that closing the window saves or asks about the lines too.
  TField* status = order_->FieldByName("status");
  status->SetAsString(status->AsString());
}

void TOrderEditForm::Save() {
  if (lines_->State() == dsEdit || lines_->State() == dsInsert) lines_->Post();
  // A new order's number may have changed while the lines were typed in: they follow it.
  const std::int64_t id = order_->FieldByName("id")->AsInteger();
  for (lines_->First(); !lines_->Eof(); lines_->Next()) {
    if (lines_->FieldByName("order_id")->IsNull() || lines_->FieldByName("order_id")->AsInteger() != id) {
      lines_->Edit();
      lines_->FieldByName("order_id")->SetAsInteger(id);
      lines_->Post();
    }
  }
  if (order_->State() == dsEdit || order_->State() == dsInsert) order_->Post();
  // The order first (a new order must exist before its lines), all in one transaction.
  order_->OpenDatabase().ApplyUpdates({order_.get(), lines_.get()});
  UpdateCaption();
}

void TOrderEditForm::CancelChanges() {
  if (lines_->Active()) lines_->CancelUpdates();
  order_->Cancel();
  if (order_->Active() && order_->UpdatesPending()) order_->CancelUpdates();
  // The lines as they are stored.
  if (order_->Active() && !order_->IsEmpty()) OrderOpened();
}

void TOrderEditForm::DeleteOrder(TQuery* list) {
  if (list == nullptr || list->IsEmpty()) return;
  TParams params;
  params.CreateParam(ftInteger, "id", ptInput)->SetAsInteger(list->FieldByName("id")->AsInteger());
  TDatabase& db = order_->OpenDatabase();
  db.Atomic([&] {
    db.Execute("delete from order_lines where order_id = :id", &params);
    db.Execute("delete from orders where id = :id", &params);
  });
}

void TOrderEditForm::UpdateCaption() {
  if (!order_->Active() || order_->IsEmpty()) return;
  const QString number = QString::fromStdString(order_->FieldByName("id")->AsString());
  setWindowTitle(order_->State() == dsInsert ? QStringLiteral("New order %1").arg(number)
                                             : QStringLiteral("Order %1").arg(number));
}

// ---- the list side --------------------------------------------------------------------------------

namespace {

class TListKeys : public QObject {
 public:
  explicit TListKeys(TOrderLinks* links) : links_(links) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const auto mods = key->modifiers() & ~Qt::KeypadModifier;
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        links_->EditOrder();
        return true;
      }
      if (key->key() == Qt::Key_Insert && mods == Qt::ControlModifier) {
        links_->NewOrder();
        return true;
      }
      if (key->key() == Qt::Key_Delete && mods == Qt::ControlModifier) {
        links_->DeleteOrder();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TOrderLinks* links_;
};

void ShowError(const Exception& e) { MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK); }

}  // namespace

TOrderLinks::TOrderLinks(QWidget* listGrid, TDataSource* listSource, std::string databaseName)
    : grid_(listGrid), source_(listSource) {
  form_ = std::make_unique<TOrderEditForm>(std::move(databaseName), listGrid->window());
  link_ = std::make_unique<TPtFormLink>();
  link_->SetForm(form_.get());
  link_->SetConfirmOnExit(true);
  keys_ = std::make_unique<TListKeys>(this);
  listGrid->installEventFilter(keys_.get());
  if (auto* grid = qobject_cast<TUCustomDBGrid*>(listGrid)) {
    grid->OnDblClick = [this](QObject*) { EditOrder(); };
  }
}

TOrderLinks::~TOrderLinks() {
  if (grid_ != nullptr) grid_->removeEventFilter(keys_.get());
}

void TOrderLinks::NewOrder() {
  try {
    link_->Insert(source_);
  } catch (const Exception& e) {
    ShowError(e);
  }
  grid_->setFocus();
}

void TOrderLinks::EditOrder() {
  TDataSet* list = source_->DataSet();
  if (list == nullptr || !list->Active() || list->IsEmpty()) return;
  try {
    link_->Edit(source_);
  } catch (const Exception& e) {
    ShowError(e);
  }
  grid_->setFocus();
}

void TOrderLinks::DeleteOrder() {
  TDataSet* list = source_->DataSet();
  if (list == nullptr || !list->Active() || list->IsEmpty()) return;
  if (MessageDlg(msg::SDsDeleteRecordQuestion, TMsgDlgType::mtConfirmation, mbOK | mbCancel) != mrOk) return;
  try {
    link_->Delete(source_);
  } catch (const Exception& e) {
    ShowError(e);
  }
}

QPixmap GrabOrderEditWindow(TOrderLinks& links) {
  TOrderEditForm* form = links.Form();
  links.Link()->ExecLink(links.Source(), lmSetInfo);
  links.Link()->ExecLink(lmEdit);
  form->show();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  form->RefreshNames();
  form->LinesGrid()->setFocus();
  form->repaint();
  QPixmap shot = form->grab();
  links.Link()->ExecLink(lmCancel);
  form->hide();
  return shot;
}

}  // namespace bexlo::demo
