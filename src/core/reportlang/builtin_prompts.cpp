// Built-in functions that ask the user: input boxes, message boxes, the file-open dialog and the
// dictionary choice. All go through the user-interaction services; a cancelled input box or
// dictionary choice ends the run with "Execution is aborted".
#include "reportlang/builtin_handlers.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/ui_services.h"
#include "util/variant.h"

namespace bexlo::builtin {

namespace {

// Asks with an input box; the answer, or the end of the run when cancelled.
std::string Ask(const char* caption, const std::string& prompt, std::string initial) {
  if (!InputQuery(caption, prompt, initial)) CustomReportAbort();
  return initial;
}

}  // namespace

void FnGetString(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string initial = HasArg(params, 1) ? Arg(params, 1).GetString() : std::string();
  result.SetString(Ask(msg::SQoInputString, Arg(params, 0).GetString(), initial));
}

void FnGetDate(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string initial = HasArg(params, 1) ? DateToStr(Arg(params, 1).GetDate()) : std::string();
  result.SetDate(StrToDate(Ask(msg::SQoInputDate, Arg(params, 0).GetString(), initial)));
}

void FnGetFloat(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string initial = HasArg(params, 1) ? FloatToStr(Arg(params, 1).GetNumber()) : std::string();
  result.SetNumber(StrToFloat(Ask(msg::SQoInputNumber, Arg(params, 0).GetString(), initial)));
}

// Message(text [, buttons]): buttons is a string of letters Y N O C R I A (any case; others are
// ignored), "O" by default; the result is the number of the pressed button (1 OK, 2 cancel,
// 4 retry, 5 ignore, 6 yes, 7 no, 8 all).
void FnMessage(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string letters = HasArg(params, 1) ? Arg(params, 1).GetString() : std::string("O");
  TMsgDlgButtons buttons = 0;
  for (const char letter : letters) {
    switch (letter) {
      case 'Y': case 'y': buttons |= mbYes; break;
      case 'N': case 'n': buttons |= mbNo; break;
      case 'O': case 'o': buttons |= mbOK; break;
      case 'C': case 'c': buttons |= mbCancel; break;
      case 'R': case 'r': buttons |= mbRetry; break;
      case 'I': case 'i': buttons |= mbIgnore; break;
      case 'A': case 'a': buttons |= mbAll; break;
      default: break;
    }
  }
  if (buttons == 0) buttons = mbOK;  // a box without buttons could not be answered
  result.SetNumber(MessageDlg(Arg(params, 0).GetString(), TMsgDlgType::mtWarning, buttons));
}

// GetFileName(title [, filter]): an existing file chosen in the file-open dialog, starting in the
// program's directory; cancelled: UNDEFINED.
void FnGetFileName(TCustomReport&, TParamList& params, TReportVar& result) {
  const std::string filter =
      HasArg(params, 1) ? Arg(params, 1).GetString() : std::string(msg::SQoAllFiles) + " |*.*";
  if (auto path = UserInteraction().OpenFileDialog(Arg(params, 0).GetString(), filter, ApplicationDir, true))
    result.SetString(*path);
}

// GetFromDictionary(resultField, sql [, fieldMap [, titleRows [, useSearch]]]): the value of
// resultField in the row the user chooses from the dictionary query.
void FnGetFromDictionary(TCustomReport& report, TParamList& params, TReportVar& result,
                         const std::function<void(TCustomReport&, TDataSet*)>& setSQLParams) {
  TDicChoiceParams choice;
  choice.DatabaseName = report.DataBaseName;
  choice.SearchInUse = HasArg(params, 4) ? Arg(params, 4).GetBoolean() : true;
  if (setSQLParams) choice.SetParams = [&report, &setSQLParams](TDataSet* query) { setSQLParams(report, query); };
  choice.SQL = Arg(params, 1).GetString();
  choice.FieldMap = HasArg(params, 2) ? Arg(params, 2).GetString() : std::string();
  choice.ResultField = Arg(params, 0).GetString();
  choice.TitleRows = HasArg(params, 3) ? TruncToInt(Arg(params, 3).GetNumber()) : 2;

  Variant chosen;
  Report_DicButton(choice, chosen);
  switch (chosen.Type()) {
    case TVariantType::varNull: CustomReportAbort();
    case TVariantType::varFloat: result.SetNumber(chosen.Float()); break;
    case TVariantType::varInteger: result.SetNumber(static_cast<double>(chosen.Integer())); break;
    case TVariantType::varDate: result.SetDate(chosen.Date()); break;
    case TVariantType::varBoolean: result.SetBoolean(chosen.Boolean()); break;
    case TVariantType::varString: result.SetString(chosen.String()); break;
    default: break;
  }
}

}  // namespace bexlo::builtin
