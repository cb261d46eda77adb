#include "widgets/entry/record_link_widgets.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "db/query.h"
#include "util/object.h"

namespace bexlo {

namespace {

// Focuses a control and selects its text, as a user returning to it expects.
void FocusAndSelect(QWidget* control) {
  if (control == nullptr) return;
  control->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
  else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) spin->selectAll();
  else if (auto* combo = qobject_cast<QComboBox*>(control); combo != nullptr && combo->lineEdit() != nullptr)
    combo->lineEdit()->selectAll();
}

}  // namespace

// ---- TPtLink -------------------------------------------------------------------------------------

TPtLink::TPtLink(QObject* parent) : QObject(parent) {}

TPtLink::~TPtLink() = default;

int TPtLink::LinkMessage(int code, const TLinkInfo& info) {
  if (code == lmSetInfo && OnSetInfo) OnSetInfo(this, info);
  return 0;
}

// ---- TPtDBLink -----------------------------------------------------------------------------------

// Forgets the query when it is destroyed before the link.
class TPtDBLink::QueryWatch : public TComponent {
 public:
  explicit QueryWatch(TDBLinkHandler& handler) : handler_(handler) {}
  ~QueryWatch() override { Watch(nullptr); }
  void Watch(TQuery* query) {
    if (handler_.Query != nullptr) handler_.Query->RemoveFreeNotification(this);
    handler_.Query = query;
    if (query != nullptr) query->FreeNotification(this);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == handler_.Query) handler_.Query = nullptr;
  }

 private:
  TDBLinkHandler& handler_;
};

TPtDBLink::TPtDBLink(QWidget* form) : TPtLink(form), form_(form) {
  query_watch_ = std::make_unique<QueryWatch>(handler_);
  handler_.FocusFirst = [this] { FocusAndSelect(first_edit_); };
  handler_.RefocusActive = [this] {
    if (form_ == nullptr) return;
    QWidget* active = last_focus_ != nullptr ? last_focus_.data() : form_->focusWidget();
    if (active != nullptr) active->setFocus(Qt::OtherFocusReason);
  };
  handler_.OnSetInfo = [this](const TLinkInfo& info) {
    if (OnSetInfo) OnSetInfo(this, info);
  };
  // The events are looked at when a message comes, so that they may be set at any time.
  handler_.OnDelete = [this](TQuery* list) {
    if (OnDelete) OnDelete(this, list);
    else handler_.Delete(list);
  };
  handler_.OnEdit = [this](TQuery* list) {
    if (OnEdit) OnEdit(this, list);
    else handler_.Edit(list);
  };
  handler_.OnSetParam = [this](TQuery* list) {
    if (OnSetParam) OnSetParam(this, list);
    else if (list != nullptr && handler_.Query != nullptr) CopyLinkParams(*list, *handler_.Query, handler_.UniqueField);
  };
  handler_.OnCancel = [this] {
    if (OnCancel) OnCancel(this);
    else handler_.Cancel();
  };
  handler_.OnPost = [this] {
    if (OnPost) OnPost(this);
    else handler_.Post();
  };
  handler_.OnInsert = [this] {
    if (OnInsert) OnInsert(this);
    else handler_.Insert();
  };
  // Key preview: the window's controls are watched too, so that a control which uses Page Down
  // itself (a combo box, a spin box) does not get it first.
  if (form != nullptr) Watch(form);
}

TPtDBLink::~TPtDBLink() = default;

TQuery* TPtDBLink::Query() const { return handler_.Query; }
void TPtDBLink::SetQuery(TQuery* query) { query_watch_->Watch(query); }
const std::string& TPtDBLink::UniqueField() const { return handler_.UniqueField; }
void TPtDBLink::SetUniqueField(std::string names) { handler_.UniqueField = std::move(names); }
bool TPtDBLink::IsUniqueFieldStored() const { return handler_.UniqueField != "ROWID"; }
TJumpMode TPtDBLink::JumpMode() const { return handler_.JumpMode; }
void TPtDBLink::SetJumpMode(TJumpMode mode) { handler_.JumpMode = mode; }

int TPtDBLink::LinkMessage(int code, const TLinkInfo& info) { return handler_.Message(code, info); }

void TPtDBLink::Watch(QWidget* widget) {
  widget->installEventFilter(this);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool TPtDBLink::MemoHasFocus(QObject* receiver) const {
  for (QObject* o = receiver; o != nullptr && o != form_; o = o->parent()) {
    if (qobject_cast<QPlainTextEdit*>(o) != nullptr || qobject_cast<QTextEdit*>(o) != nullptr) return true;
  }
  return false;
}

bool TPtDBLink::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Hide:
      // Hiding the window moves the focus on; the control the user left is the one to refocus.
      if (watched == form_) last_focus_ = form_->focusWidget();
      break;
    case QEvent::Show:
      if (watched == form_) last_focus_ = nullptr;
      break;
    case QEvent::ChildAdded: {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) Watch(static_cast<QWidget*>(child));
      break;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() != Qt::Key_PageDown && key->key() != Qt::Key_PageUp) break;
      // Ctrl+Page Down and the like belong to the controls (tab pages, editors).
      if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) break;
      if (handler_.JumpMode == jmNone || MemoHasFocus(watched)) break;
      // A popup of a control (an open combo box list) keeps its keys.
      if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() != form_) break;
      auto* dialog = qobject_cast<QDialog*>(form_);
      if (dialog == nullptr) break;
      dialog->done(key->key() == Qt::Key_PageDown ? mrNextRecord : mrPriorRecord);
      return true;
    }
    default:
      break;
  }
  return TPtLink::eventFilter(watched, event);
}

// ---- TPtFormLink ---------------------------------------------------------------------------------

TPtFormLink::TPtFormLink(QObject* parent) : TPtLink(parent) {
  handler_.Send = [this](int code, const TLinkInfo& info) {
    TPtLink* target = TargetLink();
    return target != nullptr ? target->LinkMessage(code, info) : 0;
  };
  handler_.RefocusActive = [this] {
    if (form_ == nullptr) return;
    FocusAndSelect(last_focus_ != nullptr ? last_focus_.data() : form_->focusWidget());
  };
}

TPtFormLink::~TPtFormLink() = default;

QDialog* TPtFormLink::Form() const { return form_; }
void TPtFormLink::SetForm(QDialog* form) {
  if (form_ != nullptr) form_->removeEventFilter(this);
  form_ = form;
  if (form != nullptr) form->installEventFilter(this);
}

bool TPtFormLink::eventFilter(QObject* watched, QEvent* event) {
  // Hiding the window moves the focus on; the control the user left is the one to come back to.
  // (The type is looked at first: events also come while the window is being destroyed, when
  // it is no longer a QDialog to compare with.)
  if (event->type() == QEvent::Hide && watched == form_) last_focus_ = form_->focusWidget();
  return TPtLink::eventFilter(watched, event);
}

TPtLink* TPtFormLink::TargetLink() const {
  if (form_ == nullptr) return nullptr;
  // The first link in the window's object tree (creation order), other than this one.
  for (TPtLink* link : form_->findChildren<TPtLink*>()) {
    if (link != this) return link;
  }
  return nullptr;
}

int TPtFormLink::ExecLink(int code) { return handler_.ExecLink(code); }

int TPtFormLink::ExecLink(TDataSource* sender, int code) {
  handler_.Info.DataSource = sender;
  return handler_.ExecLink(code);
}

std::function<TModalResult()> TPtFormLink::ShowModal() {
  if (form_ == nullptr) return {};
  return [this]() -> TModalResult {
    if (form_ == nullptr) return mrCancel;  // destroyed meanwhile
    return form_->exec();
  };
}

int TPtFormLink::ExecForm(TDataSource* sender) {
  handler_.Info.DataSource = sender;
  return handler_.ExecForm(ShowModal());
}

int TPtFormLink::Insert(TDataSource* sender) { return handler_.Insert(sender, ShowModal()); }

int TPtFormLink::Edit(TDataSource* sender) { return handler_.Edit(sender, ShowModal()); }

void TPtFormLink::Delete(TDataSource* sender) { handler_.Delete(sender); }

}  // namespace bexlo
