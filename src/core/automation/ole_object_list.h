// The process-wide cache of automation servers used by the script function CreateOLEObject: one
// entry per server class, so that a script asking twice for "Excel.Application" talks to the same
// instance. A cached instance that no longer answers is replaced.
#pragma once

#include <string_view>

#include "automation/dispatch.h"
#include "automation/ole_registry.h"
#include "util/list_pool.h"

namespace bexlo {

// One cached server: its class identifier and a counted reference to it.
class TOleObject : public TObject {
 public:
  TOleObject(const TGUID& classId, DispatchPtr object) : class_id_(classId), object_(std::move(object)) {}
  std::string_view ClassName() const noexcept override { return "TOleObject"; }

  const TGUID& ClassId() const noexcept { return class_id_; }
  const DispatchPtr& Object() const noexcept { return object_; }
  void SetObject(DispatchPtr object) { object_ = std::move(object); }

 private:
  TGUID class_id_;
  DispatchPtr object_;
};

class TOleObjectList : public TListPool {
 public:
  std::string_view ClassName() const noexcept override { return "TOleObjectList"; }

  // The server object for a program id: the cached one when it still answers; otherwise the
  // running instance (GetActiveOleObject) or, failing that, a new one (CreateOleObject), which is
  // cached. Unknown program ids and servers that cannot start raise EOleError.
  DispatchPtr GetOleObject(std::string_view progId);
};

// The process-wide cache (created on first use, freed at exit). Used from the user-interface
// thread only.
TOleObjectList& OleObjects();

}  // namespace bexlo
