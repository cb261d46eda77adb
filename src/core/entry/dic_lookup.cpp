#include "entry/dic_lookup.h"

#include <algorithm>

#include "db/dataset.h"
#include "db/field.h"
#include "db/fields.h"
#include "db/params.h"
#include "db/query.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

int ClampDicFormSize(int value) noexcept { return std::clamp(value, kDicFormMinSize, 0xFFFF); }

std::optional<TFieldMapLine> ParseFieldMapLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  TFieldMapLine result;
  result.Name = Trim(line.substr(0, eq));
  if (result.Name.empty()) return std::nullopt;
  const std::string rest = Trim(line.substr(eq + 1));
  const std::size_t comma = rest.find(',');
  if (comma == std::string::npos) {
    result.Title = rest;
    return result;
  }
  result.Title = Trim(std::string_view(rest).substr(0, comma));
  std::string width = Trim(std::string_view(rest).substr(comma + 1));
  if (!width.empty() && (width[0] == '$' || width[0] == '+' || width[0] == '-')) {
    result.Marker = width[0];
    width.erase(0, 1);
  }
  result.Width = std::max(0, StrToIntDef(Trim(width), 0));
  return result;
}

namespace {

void ApplyLine(TField& field, const TFieldMapLine& line) {
  field.SetDisplayLabel(line.Title);
  field.SetVisible(true);
  switch (line.Marker) {
    case '$':
      field.SetAlignment(taRightJustify);
      if (auto* f = dynamic_cast<TFloatField*>(&field)) f->SetCurrency(true);
      break;
    case '+': field.SetAlignment(taCenter); break;
    case '-': field.SetAlignment(taRightJustify); break;
    default: break;
  }
  const TFieldType type = field.DataType();
  int width = field.Size();
  if (IsFloatType(type)) {
    width = 20;
  } else if (IsDateTimeType(type)) {
    width = 10;
    // A time field keeps its own format: the short date format would show it as 30/12/1899.
    if (type != ftTime) field.SetDisplayFormat(FormatSettings().ShortDateFormat);
  }
  if (line.Width > 0) width = line.Width;
  field.SetDisplayWidth(width);
}

}  // namespace

void DataSetFieldMap(TDataSet* dataSet, const TStrings& map) {
  if (dataSet == nullptr || map.Count() == 0) return;
  for (TField* field : dataSet->Fields()) field->SetVisible(false);
  for (int i = 0; i < map.Count(); ++i) {
    const std::optional<TFieldMapLine> line = ParseFieldMapLine(map.Strings(i));
    if (!line) continue;
    if (TField* field = dataSet->FindField(line->Name)) ApplyLine(*field, *line);
  }
}

void DataSetFieldMap(TDataSet* dataSet, std::string_view mapText) {
  TStringList map;
  map.SetText(mapText);
  DataSetFieldMap(dataSet, map);
}

void SetDicQueryParam(TQuery& query, std::string_view text, TFieldType type) {
  if (query.ParamCount() == 0) throw EDatabaseError(Format(msg::SQoDicNoParam, TrimRight(query.SQLText())));
  TParam* param = query.Params().Items(0);
  param->Clear();
  param->SetDataType(type);
  if (text.empty()) return;
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: param->SetValue(Variant(StrToInt64(Trim(text)))); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: param->SetValue(Variant(StrToFloat(Trim(text)))); break;
    case ftDate: param->SetValue(Variant::FromDate(StrToDate(text))); break;
    case ftTime: param->SetValue(Variant::FromDate(StrToTime(text))); break;
    case ftDateTime: param->SetValue(Variant::FromDate(StrToDateTime(text))); break;
    default: param->SetValue(Variant(std::string(text))); break;
  }
}

Variant DicResultValue(const TField& field) {
  const TFieldType type = field.DataType();
  if (IsStringType(type)) return Variant(field.AsString());
  if (IsNumericType(type)) return Variant(field.AsFloat());
  if (type == ftBoolean) return Variant(field.AsBoolean());
  if (IsDateTimeType(type)) return Variant::FromDate(field.AsDateTime());
  return Variant(field.AsString());
}

bool TDicLabelState::NeedsRefresh(TDicEditEvent event, std::string_view code, bool typedOrChosen) const {
  if (code == last_code_) return false;
  return event != TDicEditEvent::deChange || !typedOrChosen;
}

}  // namespace bexlo
