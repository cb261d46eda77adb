// TDataSource connects data-aware controls to a data set; TDataLink is the observer each control
// keeps. The data set tells its data sources every change (data_source -> links):
//   ActiveChanged        the data set opened or closed
//   DataSetChanged       the records must be read again (after open, post, refresh, ...)
//   DataSetScrolled(n)   the link's window of records moved by n
//   RecordChanged(f)     field f (or the whole record, f null) of the current record changed
//   EditingChanged       the data set entered or left edit or insert state
//   UpdateData           write pending input into the fields (before Post)
//   LayoutChanged        fields were added or changed their display
// A link sees a window of BufferCount records around the current one (a grid sets it to its
// number of rows); ActiveRecord is the current record's row in that window, and setting it lets
// the control read another row's fields while drawing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/dataset.h"
#include "util/object.h"

namespace bexlo {

class TDataLink;
class TDataSource;

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner = nullptr);
  ~TDataSource() override;

  std::string_view ClassName() const noexcept override { return "TDataSource"; }

  TDataSet* DataSet() const noexcept { return dataset_; }
  void SetDataSet(TDataSet* dataSet);
  // A disabled source tells its links that the data set is inactive.
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  // Whether controls may put the data set into edit state (Edit).
  bool AutoEdit = true;
  // The data set's state, or inactive when there is none or the source is disabled.
  TDataSetState State() const;
  // Puts the data set into edit state when AutoEdit allows it and it is browsing.
  void Edit();
  bool IsLinkedTo(const TDataSet* dataSet) const;

  TDataChangeEvent OnDataChange;   // record or data changed; field null for a whole record
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

  // For the data set and links.
  void DataEvent(TDataEvent event, std::intptr_t info);
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void NotifyLinks(TDataEvent event, std::intptr_t info);

  TDataSet* dataset_ = nullptr;
  bool enabled_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> links_;
};

class TDataLink : public TObject {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  ~TDataLink() override;

  std::string_view ClassName() const noexcept override { return "TDataLink"; }

  TDataSource* DataSource() const noexcept { return data_source_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // Whether the linked data set is open (and the source enabled).
  bool Active() const noexcept { return active_; }
  bool Editing() const noexcept { return editing_; }
  bool ReadOnly = false;

  // Records this link shows at once (1 for single-record controls).
  int BufferCount() const noexcept { return buffer_count_; }
  void SetBufferCount(int value);
  // Records in the window now (<= BufferCount).
  int RecordCount() const;
  // Row of the current record in the window; SetActiveRecord makes the fields read another row
  // (restore it to the current row when done).
  int ActiveRecord() const;
  void SetActiveRecord(int row);
  // Record index of the window's first row.
  int FirstRecord() const noexcept { return first_; }

  // Puts the data set into edit state when allowed; true when it is editing afterwards.
  bool Edit();
  // Asks this link's control to write pending input (UpdateData) now.
  void UpdateRecord();

  // For the data source.
  void DataEvent(TDataEvent event, std::intptr_t info);

 protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void EditingChanged() {}
  virtual void UpdateData() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void FocusControl(TField* /*field*/) {}
  virtual void CheckBrowseMode() {}

 private:
  void UpdateState();
  // Moves the window so that it holds the current record; returns how far it moved (forward > 0).
  int AdjustWindow();

  TDataSource* data_source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
  int buffer_count_ = 1;
  int first_ = 0;
};

// The link of a control that shows one field (edit box, check box, combo box).
class TFieldDataLink : public TDataLink {
 public:
  std::string_view ClassName() const noexcept override { return "TFieldDataLink"; }

  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(std::string name);
  // The field of that name in the open data set, or null.
  TField* Field() const noexcept { return field_; }
  bool CanModify() const;
  // Marks the control's text as changed (Edit first); Reset discards it.
  void Modified() { modified_ = true; }
  void Reset();

  TNotifyEvent OnDataChange;    // the field's value changed: the control reads it again
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;    // the control writes its text into the field
  TNotifyEvent OnActiveChange;

 protected:
  void ActiveChanged() override;
  void RecordChanged(TField* field) override;
  void EditingChanged() override;
  void UpdateData() override;
  void LayoutChanged() override;

 private:
  void UpdateField();

  std::string field_name_;
  TField* field_ = nullptr;
  bool modified_ = false;
};

}  // namespace bexlo
