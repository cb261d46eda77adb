#include "widgets/entry/db_edit_link.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "db/data_source.h"
#include "db/dataset.h"
#include "db/field.h"
#include "util/exceptions.h"
#include "util/ui_services.h"

namespace bexlo {

TDBEditLink::TDBEditLink(QLineEdit* edit, TDataSource* source, std::string fieldName)
    : QObject(edit), edit_(edit) {
  connect(edit, &QLineEdit::textChanged, this, &TDBEditLink::BoxChanged);
  Init(source, std::move(fieldName));
}

TDBEditLink::TDBEditLink(QPlainTextEdit* memo, TDataSource* source, std::string fieldName)
    : QObject(memo), memo_(memo) {
  connect(memo, &QPlainTextEdit::textChanged, this, &TDBEditLink::BoxChanged);
  Init(source, std::move(fieldName));
}

TDBEditLink::~TDBEditLink() {
  // The box is usually being destroyed already (this link is its child): never touch it again.
  link_->OnDataChange = nullptr;
  link_->OnActiveChange = nullptr;
  link_->OnUpdateData = nullptr;
  link_->SetDataSource(nullptr);
}

void TDBEditLink::Init(TDataSource* source, std::string fieldName) {
  link_ = std::make_unique<TFieldDataLink>();
  link_->OnDataChange = [this](TObject*) { ShowField(); };
  link_->OnActiveChange = [this](TObject*) { ShowField(); };
  link_->OnUpdateData = [this](TObject*) { WriteField(true); };
  link_->SetFieldName(std::move(fieldName));
  link_->SetDataSource(source);
  ShowField();
}

TField* TDBEditLink::Field() const { return link_->Field(); }

void TDBEditLink::Reset() { link_->Reset(); }

QString TDBEditLink::BoxText() const {
  if (edit_) return edit_->text();
  if (memo_) return memo_->toPlainText();
  return {};
}

void TDBEditLink::ShowField() {
  if (writing_) return;  // the field's change notice must not rewrite the box under the cursor
  TField* field = link_->Field();
  const QString text = field != nullptr ? QString::fromStdString(field->AsString()) : QString();
  if (text == BoxText()) return;
  showing_ = true;
  if (edit_) {
    edit_->setText(text);
    edit_->setCursorPosition(0);
  } else if (memo_) {
    memo_->setPlainText(text);
  }
  showing_ = false;
}

void TDBEditLink::BoxChanged() {
  if (showing_ || link_->Field() == nullptr) return;
  bool editing = false;
  writing_ = true;  // entering edit state re-reads the record: keep what was typed
  try {
    editing = link_->Edit();
  } catch (const Exception& e) {  // refused (BeforeEdit, read-only): say why, show the field
    writing_ = false;
    ShowField();
    MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
    return;
  }
  writing_ = false;
  if (!editing) {  // the data set cannot be edited: show the field again
    ShowField();
    return;
  }
  link_->Modified();
  WriteField(false);
}

void TDBEditLink::WriteField(bool raise) {
  TField* field = link_->Field();
  if (field == nullptr) return;
  const std::string text = BoxText().toStdString();
  writing_ = true;
  try {
    if (text.empty()) field->Clear();
    else field->SetAsString(text);
  } catch (const Exception&) {
    writing_ = false;
    link_->Modified();  // still to be written: Post tries again and reports it
    if (raise) throw;
    return;
  }
  writing_ = false;
}

}  // namespace bexlo
