#include "entry/record_link.h"

#include "db/data_source.h"
#include "db/database.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {

TQuery* TLinkInfo::ListQuery() const {
  if (DataSource == nullptr) return nullptr;
  return dynamic_cast<TQuery*>(DataSource->DataSet());
}

// ---- the list ------------------------------------------------------------------------------------

void GoBookMark(TDataSet* dataSet, const TBookmark& bookmark) {
  if (dataSet == nullptr) return;
  dataSet->DisableControls();
  struct Enable {
    TDataSet* d;
    ~Enable() { d->EnableControls(); }
  } enable{dataSet};
  dataSet->Close();
  dataSet->Open();
  if (bookmark.IsNull()) return;
  if (dataSet->BookmarkValid(bookmark)) {
    dataSet->GotoBookmark(bookmark);
  } else if (bookmark.RecNo > 1) {
    // The record is gone: its successor took its place (or the list got shorter).
    dataSet->MoveBy(bookmark.RecNo - 1);
  }
}

// ---- the edit window's query -------------------------------------------------------------------

void CopyLinkParams(const TDataSet& list, TQuery& query, std::string_view uniqueField) {
  for (const std::string& name : SplitFieldNames(uniqueField)) {
    const TField* field = list.FieldByName(name);
    TParam* param = query.ParamByName(name);
    const TFieldType type = field->DataType();
    if (field->IsNull()) {
      param->Clear();
      param->SetDataType(type == ftUnknown ? ftString : type);
      continue;
    }
    switch (type) {
      case ftString:
        param->SetAsString(field->AsString());
        break;
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftAutoInc:
        param->SetAsInteger(field->AsInteger());
        break;
      case ftFloat:
      case ftCurrency:
      case ftBCD:
        param->SetAsFloat(field->AsFloat());
        break;
      case ftDate:
      case ftTime:
      case ftDateTime:
        param->SetAsDateTime(field->AsDateTime());
        break;
      default:
        param->AssignFieldValue(field, field->AsVariant());
        break;
    }
  }
}

void PostLinkQuery(TQuery& query) {
  const bool editing = query.State() == dsEdit || query.State() == dsInsert;
  if (!query.CachedUpdates()) {
    if (editing) query.Post();
    return;
  }
  // Post only changes the cached records. ApplyUpdates writes them atomically: inside a
  // transaction of its own (begun and committed there) when the database has none, inside a
  // savepoint of the caller's transaction otherwise. The commit is part of that unit, so a
  // failed commit leaves the changes pending, never marked as written.
  if (editing) query.Post();
  query.ApplyUpdates();
  query.CommitUpdates();
}

// ---- TDBLinkHandler ------------------------------------------------------------------------------

int TDBLinkHandler::Message(int code, const TLinkInfo& info) {
  switch (code) {
    case lmSetInfo:
      if (OnSetInfo) OnSetInfo(info);
      return 0;
    case lmFocusFirst:
      if (FocusFirst) FocusFirst();
      return 0;
    case lmModified: {
      const bool modified = Modified();
      if (!modified && RefocusActive) RefocusActive();
      return modified ? 1 : 0;
    }
    case lmJumpMode:
      return static_cast<int>(JumpMode);
    default:
      break;
  }
  if (Query == nullptr) return 0;
  switch (code) {
    case lmInsert:
      if (OnInsert) OnInsert();
      else Insert();
      break;
    case lmEdit:
      if (OnEdit) OnEdit(info.ListQuery());
      else Edit(info.ListQuery());
      break;
    case lmDelete:
      if (OnDelete) OnDelete(info.ListQuery());
      else Delete(info.ListQuery());
      break;
    case lmPost:
      if (OnPost) OnPost();
      else Post();
      break;
    case lmCancel:
      if (OnCancel) OnCancel();
      else Cancel();
      break;
    default:
      break;
  }
  return 0;
}

void TDBLinkHandler::SetParams(TQuery* list) {
  if (OnSetParam) OnSetParam(list);
  else if (list != nullptr) CopyLinkParams(*list, *Query, UniqueField);
}

void TDBLinkHandler::Insert() {
  if (Query == nullptr) return;
  for (const std::string& name : SplitFieldNames(UniqueField)) {
    TParam* param = Query->ParamByName(name);
    param->Clear();
    // A parameter that never had a type would not bind: a null of unknown type is a null text.
    if (param->DataType() == ftUnknown) param->SetDataType(ftString);
  }
  Query->Close();
  Query->Open();
  Query->Insert();
}

void TDBLinkHandler::Edit(TQuery* list) {
  if (Query == nullptr) return;
  SetParams(list);
  Query->Close();
  Query->Open();
  // Editing a record that is gone (deleted by another user) must not turn into a new record.
  if (Query->IsEmpty()) throw EDatabaseError(msg::SRecordNotFound);
  Query->Edit();
}

void TDBLinkHandler::Delete(TQuery* list) {
  if (Query == nullptr) return;
  SetParams(list);
  Query->Close();
  Query->Open();
  if (Query->IsEmpty()) return;
  Query->Delete();
  // With cached updates the deletion exists only here until it is written.
  if (Query->CachedUpdates()) PostLinkQuery(*Query);
}

void TDBLinkHandler::Post() {
  if (Query != nullptr) PostLinkQuery(*Query);
}

void TDBLinkHandler::Cancel() {
  if (Query == nullptr) return;
  Query->Cancel();
  // Changes whose writing failed are dropped with the rest, so that a later save does not
  // write them behind the user's back.
  if (Query->Active() && Query->CachedUpdates() && Query->UpdatesPending()) Query->CancelUpdates();
}

bool TDBLinkHandler::Modified() const {
  if (Query == nullptr || !Query->Active()) return false;
  if (Query->State() == dsInsert) return true;
  if (Query->State() == dsEdit && Query->Modified()) return true;
  return Query->CachedUpdates() && Query->UpdatesPending();
}

// ---- the close decision --------------------------------------------------------------------------

TCloseData DecideCloseData(TModalResult result, bool modified, bool confirmOnExit, TJumpMode jumpMode) {
  if (!modified) return TCloseData::cdCancel;
  if (result == mrOk || result == mrAddRecord) return TCloseData::cdPost;
  if (result == mrNextRecord || result == mrPriorRecord) {
    switch (jumpMode) {
      case jmPost:
        return TCloseData::cdPost;
      case jmCancel:
        return TCloseData::cdCancel;
      case jmConfirm:
        return TCloseData::cdAsk;
      case jmNone:
        break;  // no jumping: handled as closing the window
    }
  }
  return confirmOnExit ? TCloseData::cdAsk : TCloseData::cdCancel;
}

// ---- TFormLinkHandler ----------------------------------------------------------------------------

namespace {

void ShowFailure(const Exception& e) {
  if (dynamic_cast<const EAbort*>(&e) != nullptr) return;  // silent by design
  MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
}

}  // namespace

bool TFormLinkHandler::Try(const std::function<void()>& step, bool cancelOnFailure) {
  try {
    step();
    return true;
  } catch (const Exception& e) {
    if (cancelOnFailure) {
      try {
        ExecLink(lmCancel);
      } catch (const Exception&) {
        // The first failure is the one the user needs to see.
      }
    }
    ShowFailure(e);
    return false;
  }
}

bool TFormLinkHandler::Save() {
  return Try(
      [this] {
        ExecLink(lmPost);
        Saved = true;
      },
      false);
}

TModalResult TFormLinkHandler::ExecForm(const std::function<TModalResult()>& showModal) {
  if (!showModal) return mrCancel;
  ExecLink(lmSetInfo);
  for (;;) {
    const TModalResult result = showModal();
    if (CloseQuery(result)) return result;
  }
}

bool TFormLinkHandler::CloseQuery(TModalResult result) {
  const bool jump = result == mrNextRecord || result == mrPriorRecord;
  bool modified = false;
  TJumpMode jumpMode = jmPost;
  if (!Try(
          [&] {
            modified = ExecLink(lmModified) != 0;
            if (jump) jumpMode = static_cast<TJumpMode>(ExecLink(lmJumpMode));
          },
          false)) {
    return false;
  }
  switch (DecideCloseData(result, modified, ConfirmOnExit, jumpMode)) {
    case TCloseData::cdPost:
      if (!Save()) return false;
      break;
    case TCloseData::cdCancel:
      if (!Try([this] { ExecLink(lmCancel); }, false)) return false;
      break;
    case TCloseData::cdAsk: {
      const TModalResult answer = MessageDlg(msg::SPtDataChanged, TMsgDlgType::mtConfirmation, mbYesNoCancel);
      if (answer == mrYes) {
        if (!Save()) return false;
      } else if (answer == mrNo) {
        if (!Try([this] { ExecLink(lmCancel); }, false)) return false;
      } else {
        return false;
      }
      break;
    }
  }
  if (result == mrAddRecord) {
    Try(
        [this] {
          ExecLink(lmInsert);
          ExecLink(lmFocusFirst);
        },
        true);
    return false;
  }
  if (jump && jumpMode != jmNone) {
    Try(
        [&] {
          if (TQuery* list = Info.ListQuery(); list != nullptr && list->Active()) {
            if (result == mrNextRecord) list->Next();
            else list->Prior();
          }
          ExecLink(lmEdit);
          if (RefocusActive) RefocusActive();
        },
        true);
    return false;
  }
  return true;
}

TModalResult TFormLinkHandler::Run(TDataSource* sender, int code, const std::function<TModalResult()>& showModal) {
  Info.DataSource = sender;
  TQuery* list = Info.ListQuery();
  TBookmark bookmark;
  if (list != nullptr && list->Active()) bookmark = list->GetBookmark();
  Saved = false;
  ExecLink(code);
  if (code == lmDelete) {
    GoBookMark(list, bookmark);
    return mrOk;
  }
  const TModalResult result = ExecForm(showModal);
  if (Saved && list != nullptr) GoBookMark(list, bookmark);
  return result;
}

TModalResult TFormLinkHandler::Insert(TDataSource* sender, const std::function<TModalResult()>& showModal) {
  return Run(sender, lmInsert, showModal);
}

TModalResult TFormLinkHandler::Edit(TDataSource* sender, const std::function<TModalResult()>& showModal) {
  return Run(sender, lmEdit, showModal);
}

void TFormLinkHandler::Delete(TDataSource* sender) { Run(sender, lmDelete, {}); }

}  // namespace bexlo
