#include "automation/ole_object_list.h"

#include <memory>

#include "util/exceptions.h"

namespace bexlo {

namespace {

bool Answers(const DispatchPtr& object) {
  unsigned count = 0;
  return object && Succeeded(object->GetTypeInfoCount(count));
}

// The running instance of the server, or a new one.
DispatchPtr Acquire(std::string_view progId) {
  try {
    return GetActiveOleObject(progId);
  } catch (const Exception&) {
    // no running instance: start one
  }
  return CreateOleObject(progId);
}

}  // namespace

DispatchPtr TOleObjectList::GetOleObject(std::string_view progId) {
  const TGUID classId = ProgIDToClassID(progId);
  const std::string key = GUIDToString(classId);
  TOleObject* entry = static_cast<TOleObject*>(FirstThat([&key](TObject* item) {
    return GUIDToString(static_cast<TOleObject*>(item)->ClassId()) == key;
  }));
  if (!entry) {
    auto created = std::make_unique<TOleObject>(classId, Acquire(progId));
    entry = created.get();
    Add(created.release());
  }
  if (!Answers(entry->Object())) entry->SetObject(Acquire(progId));
  return entry->Object();
}

TOleObjectList& OleObjects() {
  static TOleObjectList list;
  return list;
}

}  // namespace bexlo
