// TDataSet: the records of a query, table or stored procedure, one current record at a time.
//
// What it promises:
// - Open/Close/Active, fields (FieldByName, FindField), field definitions.
// - Navigation: First, Next, Prior, Last, MoveBy, RecNo, Eof/Bof. Rows are fetched lazily: a
//   buffered data set keeps what it has read and reads more only when asked to move beyond it
//   (RecordCount and Last read everything). A unidirectional data set keeps one record only;
//   moving backwards or to a bookmark raises "Operation not allowed on a unidirectional dataset".
// - Bookmarks: GetBookmark, GotoBookmark, BookmarkValid, FreeBookmark, CompareBookmarks. A
//   bookmark names a record; after Close and Open it finds the record again by its key (ROWID, the
//   primary key or UniqueField) or, without a key, by its record number.
// - Editing: Edit, Insert, Append, Post, Cancel, Delete, Modified. A Post that fails leaves the
//   record in its edit state with the input intact. Each Post and Delete is written whole or not
//   at all; a change that matches no record (changed by another user) is an error, not a success.
// - Cached updates: with CachedUpdates on, Post and Delete change the records here only;
//   ApplyUpdates writes all pending changes at once (all or none), CommitUpdates then forgets
//   them, CancelUpdates restores the records as they were read.
// - Events before and after open, close, insert, edit, post, cancel, delete and scroll; calculated
//   and lookup fields (OnCalcFields); OnNewRecord; OnPostError, OnDeleteError, OnEditError;
//   OnFilterRecord with Filtered.
// - Data sources and links (data_source.h) hear every change; DisableControls/EnableControls
//   silence them during long walks and refresh them once at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/field.h"
#include "db/field_defs.h"
#include "db/field_types.h"
#include "util/exceptions.h"
#include "util/object.h"
#include "util/variant.h"

namespace bexlo {

class TDataSource;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;

// The names of a list of fields ("A;B", "A, B"), trimmed, empty ones dropped.
std::vector<std::string> SplitFieldNames(std::string_view names);

// A record's identity. Null (the default) names no record.
struct TBookmark {
  std::uint64_t Serial = 0;      // the record within one opening of the data set
  std::uint64_t Generation = 0;  // which opening
  std::vector<Variant> Key;      // the record's key values, when the data set has a key
  int RecNo = 0;                 // its 1-based position when taken
  bool IsNull() const noexcept { return Serial == 0; }
};

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner = nullptr);
  ~TDataSet() override;

  std::string_view ClassName() const noexcept override { return "TDataSet"; }

  // ---- opening ----------------------------------------------------------------------------------
  bool Active() const noexcept { return state_ != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const noexcept { return state_; }
  // Re-reads the records, keeping the current one (by its bookmark) where it still exists.
  void Refresh();

  // ---- fields -----------------------------------------------------------------------------------
  TFields& Fields() noexcept { return fields_; }
  const TFields& Fields() const noexcept { return fields_; }
  TField* Fields(int index) const { return fields_.Fields(index); }
  int FieldCount() const noexcept { return fields_.Count(); }
  TField* FindField(std::string_view name) const { return fields_.FindField(name); }
  TField* FieldByName(std::string_view name) const { return fields_.FieldByName(name); }
  TFieldDefs& FieldDefs() noexcept { return field_defs_; }
  const TFieldDefs& FieldDefs() const noexcept { return field_defs_; }
  // Recalculate calculated fields whenever a data field changes while editing.
  bool AutoCalcFields = true;

  // ---- navigation -------------------------------------------------------------------------------
  void First();
  void Next();
  void Prior();
  void Last();
  // Moves up to `distance` records (negative: backwards); returns how far it moved.
  int MoveBy(int distance);
  bool Eof() const noexcept { return eof_; }
  bool Bof() const noexcept { return bof_; }
  bool IsEmpty() const;
  // 1-based number of the current record (0 when there is none).
  int RecNo() const;
  void SetRecNo(int recNo);
  // Records of the data set: a buffered one reads all of them; a unidirectional one counts those
  // read so far.
  int RecordCount();
  bool IsUniDirectional() const { return InternalIsUniDirectional(); }

  // Moves to the first record whose fields (";"-separated names) equal values; false (and no
  // move) when none does. Options: loCaseInsensitive, loPartialKey (text prefixes).
  bool Locate(std::string_view keyFields, const std::vector<Variant>& values,
              TLocateOptions options = 0);
  // The resultField value of the first record matching as Locate does, without moving; Null
  // when none matches.
  Variant Lookup(std::string_view keyFields, const std::vector<Variant>& values,
                 std::string_view resultField);

  // ---- bookmarks --------------------------------------------------------------------------------
  TBookmark GetBookmark() const;
  // Goes to the bookmarked record; raises "Record not found" when it no longer exists. A null
  // bookmark changes nothing.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) const { bookmark = TBookmark(); }
  bool BookmarkValid(const TBookmark& bookmark);
  // < 0, 0, > 0 by record position; null bookmarks come first.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  // The bookmarked record's index among the records read (CurrentIndex, SetDisplayRecord); -1 when
  // it is gone. A bookmark of an earlier opening is found by its key, reading on as needed.
  int BookmarkIndex(const TBookmark& bookmark) { return FindBookmark(bookmark); }

  // ---- editing ----------------------------------------------------------------------------------
  bool CanModify() const;
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Posts or cancels pending input before the current record is left.
  void CheckBrowseMode();
  // Lets the controls write pending input into the fields.
  void UpdateRecord();
  bool Modified() const noexcept { return modified_; }
  // Sets every data field of the record being edited to null.
  void ClearFields();
  // Appends a record with the values in field order (missing values stay null) and posts it.
  void AppendRecord(const std::vector<Variant>& values);
  void InsertRecord(const std::vector<Variant>& values);

  // ---- cached updates ---------------------------------------------------------------------------
  bool CachedUpdates() const noexcept { return cached_updates_; }
  void SetCachedUpdates(bool value);
  // Writes every pending change; either all are written or none (the error is raised and the
  // changes stay pending).
  void ApplyUpdates();
  // Forgets the pending changes after a successful ApplyUpdates.
  void CommitUpdates();
  // The database's transaction ended. ApplyUpdates inside a transaction marks its records as
  // written; when that transaction rolls back their writes are gone, so the marks are taken
  // back and the changes are pending again (a second ApplyUpdates writes them). Called by
  // TDatabase; `committed` keeps the marks.
  void TransactionEnded(bool committed) noexcept;
  // Takes back the marks of the last ApplyUpdates (its writes were rolled back to a savepoint).
  void ForgetLastApply() noexcept;
  // Restores every record as it was read.
  void CancelUpdates();
  bool UpdatesPending() const;
  TUpdateStatus UpdateStatus() const;

  // ---- filtering --------------------------------------------------------------------------------
  bool Filtered() const noexcept { return filtered_; }
  // Applies OnFilterRecord to the records (an open data set reads them again).
  void SetFiltered(bool value);

  // ---- controls ---------------------------------------------------------------------------------
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const noexcept { return disable_count_ > 0; }

  // ---- events -----------------------------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;
  TFilterRecordEvent OnFilterRecord;
  // Copies every event handler of source (an edit query takes over its list query's).
  void CopyEvents(const TDataSet& source);

  // ---- for fields, data sources and links ------------------------------------------------------
  // Tells the data sources (and through them the links) about a change.
  void DataEvent(TDataEvent event, std::intptr_t info = 0) {
    if (disable_count_ == 0 && data_sources_.empty()) return;  // nobody listens
    NotifySources(event, info);
  }
  // The stored value of a field in the active record; raises on a closed data set.
  const Variant& FieldData(const TField& field) const {
    if (state_ == dsInactive) ClosedError();
    const Record* r = active_;
    if (r == nullptr) return NullValue();
    const auto index = static_cast<std::size_t>(field.ValueIndex());
    const std::vector<Variant>& values = field.FieldKind() == fkData ? r->values : r->calc;
    return index < values.size() ? values[index] : NullValue();
  }
  // Stores a field value (state, read-only and validation checks; change events).
  void SetFieldData(TField& field, Variant value);
  // Index of the current record among the records read (-1 when none).
  int CurrentIndex() const noexcept { return cur_; }
  // Reads records until `count` are available (or the end); returns how many are.
  int EnsureRecords(int count);
  // Makes fields read record `index` (a link drawing its rows); -1 returns to the current one.
  void SetDisplayRecord(int index);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  // Attaches and detaches fields (TField::SetDataSet and its destructor call these).
  void AddField(TField* field);
  void RemoveField(TField* field);
  void FieldLayoutChanged();

 protected:
  // ---- what a concrete data set provides ------------------------------------------------------
  // Starts reading: fills FieldDefs, ValueCount and the column targets, ready to fetch.
  virtual void InternalOpen() = 0;
  // Reads the next row into values (sized ValueCount); false after the last.
  virtual bool InternalFetch(std::vector<Variant>& values) = 0;
  virtual void InternalClose() = 0;
  // Called once the fields are bound, before the first fetch.
  virtual void InternalFieldsBound() {}
  virtual bool InternalCanModify() const { return false; }
  virtual bool InternalIsUniDirectional() const { return false; }
  // Writes one change. For inserts and modifications `values` receives what the database stored
  // (defaults, generated keys); `changed` flags the values set since the record was read.
  virtual void InternalApplyUpdate(TUpdateKind kind, const std::vector<Variant>& oldValues,
                                   std::vector<Variant>& values, const std::vector<bool>& changed);
  // Runs body so that its writes happen all or none.
  virtual void InternalAtomic(const std::function<void()>& body) { body(); }
  // Whether writes now belong to a transaction that is still open.
  virtual bool InternalInTransaction() const { return false; }
  // Value indices of the record key (ROWID or key fields); empty when there is none.
  virtual std::vector<int> KeyValueIndices() const { return {}; }
  // Reads the field definitions without opening (FieldDefs.Update).
  virtual void InternalInitFieldDefs() {}

  // Values per record: one per result column, hidden key columns included.
  int ValueCount = 0;

  // Set-key state (TTable): fields write into a key buffer, not the record.
  void EnterSetKey();
  const Variant& KeyBufferValue(const TField& field) const;

  void CheckActive() const;
  void CheckInactive() const;
  void CheckBrowse() const;

 private:
  friend class TFieldDefs;
  friend class TField;

  struct Record {
    std::vector<Variant> values;  // one per result column
    std::vector<Variant> calc;    // calculated and lookup fields
    std::unique_ptr<std::vector<Variant>> original;  // values as read, for cached updates
    std::uint64_t serial = 0;
    TUpdateStatus status = usUnmodified;
    bool applied = false;  // written by ApplyUpdates, not yet committed
  };

  void NotifySources(TDataEvent event, std::intptr_t info);
  // Makes r the record fields read.
  void Point(Record* r) noexcept {
    active_ = r;
    source_.values = r != nullptr ? &r->values : nullptr;
    source_.calc = r != nullptr ? &r->calc : nullptr;
  }
  [[noreturn]] static void ClosedError();
  static const Variant& NullValue() noexcept;
  void OpenCursor();
  void CloseCursor();
  void BindFields();
  void DestroyDefaultFields();
  bool FetchNext();
  bool AcceptRecord(Record& record);
  void CalculateFields(Record& record);
  void UpdateActive();
  void SetState(TDataSetState state);
  void Resync();
  void DoEvent(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void CheckUnidirectional() const;
  void CheckCanModify() const;
  void CheckRequiredFields();
  void RunWithErrorEvent(const TDataSetErrorEvent& event, const std::function<void()>& body);
  void WriteRecord(Record& record, TUpdateKind kind);
  std::vector<TField*> FieldList(std::string_view names) const;
  bool RecordMatches(const Record& record, const std::vector<TField*>& fields,
                     const std::vector<Variant>& values, TLocateOptions options) const;
  int FindRecord(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                 TLocateOptions options, int start);
  int FindBookmark(const TBookmark& bookmark);
  std::vector<Variant> KeyOf(const Record& record) const;
  void NewRecordBuffer(Record& record) const;
  // Puts an empty record at position (0..record count), makes it current and enters dsInsert
  // (OnNewRecord, AfterInsert, AfterScroll); a failing OnNewRecord cancels the insert.
  void StartInsert(int position);

  TDataSetState state_ = dsInactive;
  TFields fields_;
  TFieldDefs field_defs_;
  std::vector<TField*> default_fields_;  // created by Open, freed by Close
  int calc_count_ = 0;
  std::vector<Record> records_;
  std::vector<Record> deleted_;  // cached deletions waiting for ApplyUpdates
  // Serials of the records the last ApplyUpdates marked, and of those marked inside the open
  // transaction (their marks hold only if it commits).
  std::vector<std::uint64_t> last_applied_;
  std::vector<std::uint64_t> transaction_applied_;
  Record edit_;                  // the record being edited or inserted
  std::vector<bool> changed_;    // values set since Edit / Insert
  Record* active_ = nullptr;     // what fields read
  TFieldSource source_;          // the same, as fields see it
  int cur_ = -1;
  int display_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  bool fetched_all_ = true;
  int rows_read_ = 0;           // unidirectional: records read so far
  bool modified_ = false;
  bool cached_updates_ = false;
  bool filtered_ = false;
  bool in_calc_ = false;
  std::uint64_t next_serial_ = 1;
  std::uint64_t generation_ = 0;
  int disable_count_ = 0;
  TDataSetState disable_state_ = dsInactive;
  TDataEvent enable_event_ = deDataSetChange;
  std::vector<TDataSource*> data_sources_;
};

}  // namespace bexlo
