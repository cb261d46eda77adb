// Record links: a list window (a grid over a query) drives a modal edit window for one record
// through numbered link messages, without either window knowing the other's code.
//
// This is the toolkit-free half. TDBLinkHandler is what the edit window's link does with each
// message (insert, edit, delete, post, cancel, modified?, jump mode?); TFormLinkHandler is the
// list side: it sends the messages, runs the edit window modally and decides, when the window
// is about to close, whether to save, discard, ask, move to the next or previous record or stay
// open. The widget classes TPtLink, TPtDBLink and TPtFormLink bind these to Qt windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "db/dataset.h"
#include "util/ui_services.h"

namespace bexlo {

class TDataSet;
class TDataSource;
class TQuery;

// What happens to pending changes when the edit window moves to the next or previous record.
enum class TJumpMode : std::uint8_t { jmNone, jmPost, jmCancel, jmConfirm };
using enum TJumpMode;

// The link messages.
enum TLinkMessage : int {
  lmSetInfo = 1,     // raises OnSetInfo
  lmInsert = 2,      // a new record
  lmEdit = 3,        // the list's current record, for editing
  lmDelete = 4,      // deletes the list's current record
  lmPost = 5,        // saves the changes
  lmCancel = 6,      // discards the changes
  lmFocusFirst = 7,  // focuses the first edit control
  lmModified = 8,    // answers 1 when there is something to save
  lmJumpMode = 9,    // answers the jump mode
};

// Modal results of the edit window beyond the usual ones.
inline constexpr TModalResult mrAddRecord = 4;        // the Add button: save and start the next new record
inline constexpr TModalResult mrNextRecord = 65280;   // Page Down: the list's next record
inline constexpr TModalResult mrPriorRecord = 65281;  // Page Up: the list's previous record

// The sender record a message carries: the list the edit window works for.
struct TLinkInfo {
  TDataSource* DataSource = nullptr;  // the list's data source
  // The data source's data set when it is a query (the only kind the defaults work with).
  TQuery* ListQuery() const;
};

// Closes and reopens dataSet with its controls disabled and returns to the bookmarked record,
// so that the list shows fresh data. When that record no longer exists (it was deleted), the
// data set stays on the record that took its place (same position, or the last one). A null
// bookmark leaves the data set on its first record.
void GoBookMark(TDataSet* dataSet, const TBookmark& bookmark);

// Sets the parameters of query named in uniqueField (comma-separated, blanks ignored) from the
// same-named fields of list: text as text, whole numbers as integers, floating and decimal
// numbers as floats, dates and times as date-times, anything else with the field's own type. A
// null field gives a null parameter of the field's type. A name missing on either side raises.
void CopyLinkParams(const TDataSet& list, TQuery& query, std::string_view uniqueField);

// Writes the pending changes of query: a plain query is posted. A query with cached updates is
// posted (when editing) and its updates applied inside a transaction, started here unless the
// database already has one; the transaction started here is committed, then the cached updates
// are forgotten. On failure the transaction started here is rolled back, the changes stay pending
// and the failure is raised again.
void PostLinkQuery(TQuery& query);

// The edit window's side: the default handling of every message, each replaceable by an event.
class TDBLinkHandler {
 public:
  TQuery* Query = nullptr;            // the edit window's query for one record
  std::string UniqueField = "ROWID";  // key names: fields of the list, parameters of Query
  TJumpMode JumpMode = jmPost;

  // Replacements of the defaults (when set, the default does not run).
  std::function<void(TQuery* list)> OnDelete;
  std::function<void(TQuery* list)> OnSetParam;
  std::function<void(TQuery* list)> OnEdit;
  std::function<void()> OnCancel;
  std::function<void()> OnPost;
  std::function<void()> OnInsert;
  // Message 1.
  std::function<void(const TLinkInfo& info)> OnSetInfo;
  // What the window does: focus the first edit control (message 7); refocus the active control
  // (message 8 when there is nothing to save).
  std::function<void()> FocusFirst;
  std::function<void()> RefocusActive;

  // Handles one message; returns the answer of messages 8 (1 modified, 0 not) and 9 (the jump
  // mode), 0 for the others. Messages 2 to 6 do nothing without Query.
  int Message(int code, const TLinkInfo& info);

  // The defaults, one per message.
  void Insert();
  void Edit(TQuery* list);
  void Delete(TQuery* list);
  void Post();
  void Cancel();
  // Whether there is something to save: the query is being edited with changes, inserting, or
  // holds cached changes not yet written.
  bool Modified() const;

 private:
  void SetParams(TQuery* list);
};

// What becomes of the edit window's data when it is about to close.
enum class TCloseData : std::uint8_t {
  cdPost,    // save
  cdCancel,  // discard
  cdAsk,     // ask "Data was changed. Save ?" (Yes saves, No discards, Cancel keeps the window open)
};

// The decision table of the close handler: the modal result the window closes with, whether
// there is something to save, the form link's ConfirmOnExit and the edit window's jump mode.
TCloseData DecideCloseData(TModalResult result, bool modified, bool confirmOnExit, TJumpMode jumpMode);

// The list window's side.
class TFormLinkHandler {
 public:
  bool ConfirmOnExit = false;
  // The sender record of the current operation.
  TLinkInfo Info;
  // Whether the edit window saved data during the current operation.
  bool Saved = false;

  // Hands a message to the edit window's first link; answers 0 when there is none. Set by the
  // widget that knows the window.
  std::function<int(int code, const TLinkInfo& info)> Send;
  // Refocuses the edit window's active control and selects its text.
  std::function<void()> RefocusActive;

  int ExecLink(int code) { return Send ? Send(code, Info) : 0; }

  // Sends message 1, then shows the window (showModal returns the modal result it closed with)
  // until the close handler lets it close; returns that result.
  TModalResult ExecForm(const std::function<TModalResult()>& showModal);

  // The close handler: true when the window may close. Saves, discards or asks as
  // DecideCloseData says; Add starts the next new record and 65280/65281 open the list's next
  // or previous record, keeping the window open. A failure is shown to the user (message box)
  // and keeps the window open; a failure while preparing the following record is answered with
  // message 6 first.
  bool CloseQuery(TModalResult result);

  // The list operations: remember the list's record, send message 2, 3 or 4, run the edit window
  // (not for delete) and reopen the list on the remembered record when data was saved (always
  // after a delete).
  TModalResult Insert(TDataSource* sender, const std::function<TModalResult()>& showModal);
  TModalResult Edit(TDataSource* sender, const std::function<TModalResult()>& showModal);
  void Delete(TDataSource* sender);

 private:
  TModalResult Run(TDataSource* sender, int code, const std::function<TModalResult()>& showModal);
  // Saves; false (failure shown) when that failed.
  bool Save();
  // Runs step; on failure sends message 6 when cancelOnFailure and shows the failure.
  bool Try(const std::function<void()>& step, bool cancelOnFailure);
};

}  // namespace bexlo
