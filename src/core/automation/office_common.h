// What the two built-in office servers share: the running state of one application instance
// (alive until Quit), the saving of its documents when it is made visible, and small helpers for
// reading arguments. Internal to src/core/automation.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/office_servers.h"
#include "automation/ole_registry.h"
#include "automation/server_object.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo::office {

// One document of an application, as its application saves it.
class TOfficeDocument {
 public:
  virtual ~TOfficeDocument() = default;
  // Writes the document to path (beside and renamed into place); raises EOleError on failure.
  virtual void SaveTo(const std::string& path) = 0;
  bool Dirty = true;     // changed since it was last saved (a new document counts as changed)
  bool Closed = false;
  std::string SavedPath;  // where it was last saved
};

// The state of one running application, shared by all of its objects.
struct TAppState {
  std::string ProgId;
  std::string Extension;  // ".xlsx", ".docx"
  bool Alive = true;
  bool Visible = false;
  bool ScreenUpdating = true;
  std::vector<std::shared_ptr<TOfficeDocument>> Documents;  // open documents in order
  // Saves every open document that changed since it was last saved, then calls the
  // Office_ShowDocument hook for each. Two documents never share a file: a later one whose
  // path an earlier document of this application took gets " (2)", " (3)", ... before its
  // extension.
  void SaveChanged();
  // Forgets the documents that are closed, and those that are saved and no object of the
  // application refers to any more: nobody can reach them but through the collection, and a
  // long session would otherwise keep every document it ever wrote in memory.
  void Collect();
};

// Base of every object of a server: its member table and the application it belongs to.
class TOfficeObject : public TServerObject {
 public:
  explicit TOfficeObject(std::shared_ptr<TAppState> app) : app_(std::move(app)) {}

 protected:
  std::string_view ServerName() const noexcept override { return app_->ProgId; }
  bool Alive() const noexcept override { return app_->Alive; }
  const std::shared_ptr<TAppState>& App() const noexcept { return app_; }

 private:
  std::shared_ptr<TAppState> app_;
};

// Argument readers: an integer index (numbers of any kind, truncated), a number, a boolean, a
// text (numbers in their general form). A missing or unconvertible argument raises EOleError
// "Type mismatch" or "Invalid number of parameters".
long long IntArg(std::span<OleVariant> args, std::size_t i);
double NumberArg(std::span<OleVariant> args, std::size_t i);
bool BoolArg(std::span<OleVariant> args, std::size_t i);
std::string TextOf(const OleVariant& value);

// The application's collection of open documents ("Workbooks", "Documents"): Add, Count and
// Item (numbered from 1). TObject is the dispatch object of one document, over its TData.
template <class TObject, class TData>
class TDocumentCollection : public TOfficeObject {
 public:
  using TOfficeObject::TOfficeObject;

 protected:
  // A new document, as Add makes it.
  virtual std::shared_ptr<TData> NewDocument() const = 0;

  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    App()->Collect();
    auto& documents = App()->Documents;
    if (member == 1) {  // Count
      Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(documents.size())));
      return;
    }
    std::shared_ptr<TData> document;
    if (member == 0) {  // Add
      document = NewDocument();
      documents.push_back(document);
    } else {  // Item(index)
      const long long index = IntArg(args, 0);
      if (index < 1 || index > static_cast<long long>(documents.size()))
        Fail(Format(msg::SOleBadIndex, std::to_string(index)));
      document = std::static_pointer_cast<TData>(documents[static_cast<std::size_t>(index - 1)]);
    }
    Return(result, OleVariant::FromDispatch(MakeDispatch<TObject>(App(), document)));
  }
};

// Starts an application instance of TApplication (its object over a fresh TAppState) and
// registers it as the running one of its class.
template <class TApplication>
DispatchPtr StartOfficeApplication(std::string_view progId, std::string_view extension, const TGUID& classId) {
  auto state = std::make_shared<TAppState>();
  state->ProgId = std::string(progId);
  state->Extension = std::string(extension);
  DispatchPtr app = MakeDispatch<TApplication>(state);
  RegisterActiveObject(classId, app);
  return app;
}

}  // namespace bexlo::office
