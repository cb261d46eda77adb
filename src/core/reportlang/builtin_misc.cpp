// Built-in functions on files, on two variables at once, and the automation-object factory.
#include <filesystem>
#include <system_error>

#include "automation/ole_object_list.h"
#include "reportlang/builtin_handlers.h"
#include "util/settings.h"

namespace bexlo::builtin {

namespace fs = std::filesystem;

void FnFileExists(TCustomReport&, TParamList& params, TReportVar& result) {
  std::error_code error;
  const fs::file_status status = fs::status(Arg(params, 0).GetString(), error);
  result.SetBoolean(!error && fs::exists(status) && !fs::is_directory(status));
}

namespace {

// A name without a directory part lives in the program's directory.
fs::path InProgramDir(const std::string& name) {
  const fs::path path(name);
  if (path.has_parent_path()) return path;
  return fs::path(ApplicationDir) / path;
}

}  // namespace

// RenameFile(old, new): old takes the name new, replacing a file of that name. Failures are
// ignored. new is replaced only when old can take its place: a missing old file, or old and new
// naming the same file, leave everything as it was.
void FnRenameFile(TCustomReport&, TParamList& params, TReportVar&) {
  const fs::path from = InProgramDir(Arg(params, 0).GetString());
  const fs::path to = InProgramDir(Arg(params, 1).GetString());
  std::error_code error;
  if (!fs::exists(fs::symlink_status(from, error)) || error) return;
  if (fs::equivalent(from, to, error) && !error) return;
  fs::rename(from, to, error);  // replaces `to` in one step
  if (error == std::errc::cross_device_link) {
    error.clear();
    if (fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) && !error) fs::remove(from, error);
  }
}

// Exchange(a, b) (both by reference): swaps NUMBER, STRING, DATE or BOOLEAN values through the
// cells' setters (so typed variables of different types fail with the type mismatch, before
// either is changed); other types are left alone. The common type is a's, or b's when a is
// UNDEFINED.
void FnExchange(TCustomReport&, TParamList& params, TReportVar&) {
  TReportVar& a = Arg(params, 0);
  TReportVar& b = Arg(params, 1);
  const TVarType type = a.VarType() != vtUnDefined ? a.VarType() : b.VarType();
  switch (type) {
    case vtFloat: {
      const double x = a.GetNumber(), y = b.GetNumber();
      a.SetNumber(y);
      b.SetNumber(x);
      break;
    }
    case vtString: {
      std::string x = a.GetString(), y = b.GetString();
      a.SetString(y);
      b.SetString(x);
      break;
    }
    case vtDate: {
      const double x = a.GetDate(), y = b.GetDate();
      a.SetDate(y);
      b.SetDate(x);
      break;
    }
    case vtBoolean: {
      const bool x = a.GetBoolean(), y = b.GetBoolean();
      a.SetBoolean(y);
      b.SetBoolean(x);
      break;
    }
    default: break;
  }
}

void FnCreateOLEObject(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetDispatch(OleObjects().GetOleObject(Arg(params, 0).GetString()));
}

}  // namespace bexlo::builtin
