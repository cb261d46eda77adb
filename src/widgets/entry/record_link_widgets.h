// Record links between a list window and a modal edit window.
//
// TPtFormLink sits on the list side and knows the edit window (Form, a QDialog). Its Insert, Edit
// and Delete send numbered link messages to the first TPtLink found on the edit window, show the
// window modally and reopen the list on the remembered record when data was saved. When the
// window is about to close, the form link saves, discards or asks "Data was changed. Save ?"
// (ConfirmOnExit), starts the next new record after Add (modal result 4), or opens the list's
// next or previous record (modal results 65280 and 65281) while the window stays open.
//
// TPtDBLink sits on the edit window and owns what the window edits: its Query, keyed by the
// UniqueField names. It answers the messages (each default replaceable by an event) and turns
// Page Down and Page Up on its window (a QDialog) into the modal results 65280 and 65281, unless
// JumpMode is jmNone, a memo has the focus or the key goes to a control's popup.
//
// The logic lives in entry/record_link.h (TDBLinkHandler, TFormLinkHandler) and is tested there
// without a window; these classes bind it to Qt.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "entry/record_link.h"

class QDialog;
class QWidget;

namespace bexlo {

class TDataSource;
class TQuery;
class TPtDBLink;

class TPtLink : public QObject {
  Q_OBJECT
 public:
  explicit TPtLink(QObject* parent = nullptr);
  ~TPtLink() override;

  using TSetInfoEvent = std::function<void(TPtLink* sender, const TLinkInfo& info)>;
  // Message 1: the list the edit window is about to work for.
  TSetInfoEvent OnSetInfo;

  // Handles one link message; returns its answer (messages 8 and 9), else 0.
  virtual int LinkMessage(int code, const TLinkInfo& info);
};

using TDeleteEvent = std::function<void(TPtDBLink* sender, TQuery* list)>;
using TSetParamEvent = std::function<void(TPtDBLink* sender, TQuery* list)>;
using TEditEvent = std::function<void(TPtDBLink* sender, TQuery* list)>;
using TLinkNotifyEvent = std::function<void(TPtDBLink* sender)>;

class TPtDBLink : public TPtLink {
  Q_OBJECT
 public:
  // Placed on its edit window: watches the window's keys from then on.
  explicit TPtDBLink(QWidget* form);
  ~TPtDBLink() override;

  // The edit window's query for one record (forgotten when it is destroyed).
  TQuery* Query() const;
  void SetQuery(TQuery* query);
  // The control focused after an insert (message 7); an edit box also gets its text selected.
  QWidget* FirstEdit() const { return first_edit_; }
  void SetFirstEdit(QWidget* control) { first_edit_ = control; }
  // Key names, comma-separated: fields of the list's query and parameters of Query ("ROWID").
  const std::string& UniqueField() const;
  void SetUniqueField(std::string names);
  // Whether UniqueField differs from its default and is therefore stored.
  bool IsUniqueFieldStored() const;
  // What happens to changes on Page Down and Page Up (jmPost).
  TJumpMode JumpMode() const;
  void SetJumpMode(TJumpMode mode);

  // Replacements of the default handling.
  TDeleteEvent OnDelete;
  TSetParamEvent OnSetParam;
  TLinkNotifyEvent OnCancel;
  TLinkNotifyEvent OnPost;
  TLinkNotifyEvent OnInsert;
  TEditEvent OnEdit;

  int LinkMessage(int code, const TLinkInfo& info) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class QueryWatch;
  void Watch(QWidget* widget);
  bool MemoHasFocus(QObject* receiver) const;

  QPointer<QWidget> form_;
  QPointer<QWidget> first_edit_;
  QPointer<QWidget> last_focus_;  // the window's focused control when it was last hidden
  TDBLinkHandler handler_;
  std::unique_ptr<QueryWatch> query_watch_;
};

class TPtFormLink : public TPtLink {
  Q_OBJECT
 public:
  explicit TPtFormLink(QObject* parent = nullptr);
  ~TPtFormLink() override;

  // The edit window (cleared when it is destroyed).
  QDialog* Form() const;
  void SetForm(QDialog* form);
  // Ask "Data was changed. Save ?" when a modified window is closed other than by Save (false).
  bool ConfirmOnExit() const { return handler_.ConfirmOnExit; }
  void SetConfirmOnExit(bool value) { handler_.ConfirmOnExit = value; }
  // Whether the edit window saved data during the last Insert or Edit.
  bool Saved() const { return handler_.Saved; }
  // The current sender record.
  const TLinkInfo& Info() const { return handler_.Info; }

  // Hands message `code` to the first TPtLink on the edit window (0 without one).
  int ExecLink(int code);
  int ExecLink(TDataSource* sender, int code);
  // Sends message 1 and shows the edit window modally until its close handler lets it close;
  // returns the modal result (Cancel at once without an edit window).
  int ExecForm(TDataSource* sender);
  // New record, edit of the list's current record, deletion of it; sender is the list's data
  // source. Insert and Edit return the modal result the window closed with.
  int Insert(TDataSource* sender);
  int Edit(TDataSource* sender);
  void Delete(TDataSource* sender);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TPtLink* TargetLink() const;
  std::function<TModalResult()> ShowModal();

  QPointer<QDialog> form_;
  QPointer<QWidget> last_focus_;  // the window's focused control when it was last hidden
  TFormLinkHandler handler_;
};

}  // namespace bexlo
