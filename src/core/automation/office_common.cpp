#include "automation/office_common.h"

#include <cmath>
#include <filesystem>

#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/settings.h"

namespace bexlo {

namespace hook_defaults {
void Office_ShowDocument(const std::string&) {}
}  // namespace hook_defaults

std::string OfficeDocumentPath(std::string_view extension) {
  namespace fs = std::filesystem;
  fs::path path;
  if (!OfficeFileName.empty()) {
    path = OfficeFileName;
  } else if (!OfficeSourceName.empty()) {
    path = OfficeSourceName;
  } else {
    path = fs::path(ApplicationDir) / "document";
  }
  path.replace_extension(extension);
  return path.string();
}

namespace office {

void TAppState::Collect() {
  std::erase_if(Documents, [](const std::shared_ptr<TOfficeDocument>& d) {
    return d->Closed || (!d->Dirty && !d->SavedPath.empty() && d.use_count() == 1);
  });
}

void TAppState::SaveChanged() {
  namespace fs = std::filesystem;
  std::vector<std::string> saved;
  for (std::size_t i = 0; i < Documents.size(); ++i) {
    TOfficeDocument& document = *Documents[i];
    if (document.Closed || !document.Dirty) continue;
    const fs::path base = OfficeDocumentPath(Extension);
    std::string path = base.string();
    for (int n = 2;; ++n) {
      bool taken = false;
      for (std::size_t j = 0; j < Documents.size(); ++j)
        if (j != i && Documents[j]->SavedPath == path) taken = true;
      if (!taken) break;
      path = (base.parent_path() / (base.stem().string() + " (" + std::to_string(n) + ")" + Extension)).string();
    }
    document.SaveTo(path);
    document.SavedPath = path;
    document.Dirty = false;
    saved.push_back(path);
  }
  for (const std::string& path : saved) Office_ShowDocument(path);
}

long long IntArg(std::span<OleVariant> args, std::size_t i) {
  if (i >= args.size()) OleCheck(DISP_E_BADPARAMCOUNT);
  const OleVariant value = args[i].Deref();
  if (value.BaseType() == OleVariant::varOleStr) {
    std::int64_t n = 0;
    if (!TryStrToInt64(value.AsString(), n)) OleCheck(DISP_E_TYPEMISMATCH);
    return n;
  }
  const double d = value.ToDouble();
  if (!std::isfinite(d) || std::fabs(d) > 9e15) OleCheck(DISP_E_TYPEMISMATCH);
  return static_cast<long long>(d);
}

double NumberArg(std::span<OleVariant> args, std::size_t i) {
  if (i >= args.size()) OleCheck(DISP_E_BADPARAMCOUNT);
  const OleVariant value = args[i].Deref();
  if (value.BaseType() == OleVariant::varOleStr) {
    double d = 0;
    if (!TryStrToFloat(value.AsString(), d)) OleCheck(DISP_E_TYPEMISMATCH);
    return d;
  }
  return value.ToDouble();
}

bool BoolArg(std::span<OleVariant> args, std::size_t i) {
  if (i >= args.size()) OleCheck(DISP_E_BADPARAMCOUNT);
  return args[i].Deref().ToBoolean();
}

std::string TextOf(const OleVariant& v) {
  const OleVariant value = v.Deref();
  switch (value.BaseType()) {
    case OleVariant::varEmpty:
    case OleVariant::varNull: return {};
    case OleVariant::varOleStr: return value.AsString();
    case OleVariant::varBoolean: return value.AsBoolean() ? "True" : "False";
    case OleVariant::varDate: return DateTimeToStr(value.AsDate());
    case OleVariant::varDispatch: OleCheck(DISP_E_TYPEMISMATCH); return {};
    default: return FloatToStr(value.ToDouble());
  }
}

}  // namespace office
}  // namespace bexlo

namespace bexlo {

void RegisterOfficeServers() {
  RegisterOleServer(kExcelProgId, ExcelClassId(), CreateExcelApplication);
  RegisterOleServer(kWordProgId, WordClassId(), CreateWordApplication);
}

}  // namespace bexlo
