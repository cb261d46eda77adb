// TQoReportParser: the one-pass compiler from the script text of one template section to a
// command list. A hand-written scanner feeds a recursive-descent parser that appends commands as
// it recognises constructs (no syntax tree). Every expression leaves its value in register A
// (report variable "@A"); register B ("@B") holds the left operand of binary operators; both are
// saved on the value stack around nested evaluations. Names are resolved while compiling through
// the report's symbol interface: functions first, then existing variables; an assignment to an
// unknown name creates the variable.
//
// The section text must be one or more blocks "{ ... }"; an empty text compiles to nothing.
// Compilation stops at the first error (Exception, or UnDefinedSymbol from the scanner); commands
// already appended stay in the list.
//
// Text is UTF-8. Identifiers start with "@", "_" or a letter (any Unicode letter) and go on with
// letters, "_" and ASCII digits; keywords and names are upper-cased (Unicode) and so ignore case.
// The text ends at its first zero byte, as a zero-terminated text would. A byte 1 reads as ";"
// (the template reader ends statements with it).
//
// Position counting: the position starts at the value given to the constructor and grows by one
// for every character (Unicode code point; a malformed byte counts as one) read, except the
// separator byte 1. Commands carry the position at which they were created, and ErrorPos is
// position - 1, so a caller that passes "offset of the section in the template - 1" gets ErrorPos
// as a code-point offset into the template.
//
// String literals: 'quoted' pieces (two quotes stand for one) and #nnn pieces joined without
// separation ('It''s'#13#10'done'). #nnn gives the character with code nnn mod 256: codes below
// 128 are that ASCII character, codes 128-255 the character of the Windows-1251 code page with
// that code (the code page the templates were written in), encoded in UTF-8.
//
// Nesting deeper than kMaxNesting (parentheses, IF branches, argument lists) is refused with
// "Nesting is too deep" instead of exhausting the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "reportlang/func_list.h"

namespace bexlo {

class TCustomReport;
class TCommand;
class TCommandList;
class TParamList;
class TReportVar;

// Token codes; operators double as operation codes of the commands.
enum TTokenCode : int {
  tkLParen = 0, tkRParen = 1, tkLBracket = 2, tkRBracket = 3, tkLBrace = 4, tkRBrace = 5,
  tkIf = 6, tkThen = 7, tkElse = 8, tkComma = 9, tkAssign = 12, tkNot = 13, tkAnd = 14, tkOr = 15,
  tkEqual = 16, tkNotEqual = 17, tkGreater = 18, tkLess = 19, tkGreaterEqual = 20,
  tkLessEqual = 21, tkMinus = 22, tkPlus = 23, tkMul = 24, tkDiv = 25, tkTrue = 26, tkFalse = 27,
  tkDot = 28, tkSemicolon = 29, tkIdent = 30, tkNumber = 31, tkString = 32, tkNone = 33,
  tkAmpersand = 34,
};

class TQoReportParser {
 public:
  static constexpr int kMaxNesting = 200;

  // source: the section text (usually wrapped as "{%s}"); position: the starting value of the
  // position counter; params: the report's parameter list; commands: the output list (appended
  // to, not owned); owner: the report whose symbols are used.
  TQoReportParser(std::string_view source, int position, TParamList* params, TCommandList* commands,
                  TCustomReport* owner);
  ~TQoReportParser();
  TQoReportParser(const TQoReportParser&) = delete;
  TQoReportParser& operator=(const TQoReportParser&) = delete;

  void Compile();

  // The position counter (after an error: where the compiler stopped).
  int Position() const noexcept { return position_; }

 private:
  // ---- scanner ----
  void NextChar();
  void NextToken();
  void ScanIdentifier();
  void ScanNumber();
  void ScanString();
  void ScanSymbol();
  bool AtEndSymbol() const noexcept;
  void Require(int code, const char* what) const;
  [[noreturn]] void RaiseRequired(const char* what) const;

  // ---- parser ----
  void Block();
  void StatementList();
  bool StartsStatement() const noexcept;
  void Statement();
  void IfStatement();
  void Branch();
  void IdentStatement();
  void Expression();
  void Relation();
  void Simple();
  void Term();
  void Operand();
  void Factor();
  void FunctionCall(TFunc* func);
  void Arguments(TFunc* func);
  void AutomationChain(TReportVar* var, bool inStatement);

  // ---- code ----
  int Emit(std::unique_ptr<TCommand> command);
  void EmitCopy(TReportVar* target, TReportVar* source);  // target := source (clearing)
  void EmitPush(TReportVar* cell);
  void EmitPop(TReportVar* cell);
  void EmitCalc(TReportVar* target, TReportVar* operand, int op);
  void EnterNesting();

  struct NestingGuard;

  // source
  std::string source_;  // up to the first zero byte
  std::size_t read_pos_ = 0;
  char32_t ch_ = 0;       // the character last read
  std::size_t ch_start_ = 0;  // byte offset where ch_ starts
  bool at_end_ = false;

  // current token
  int token_ = tkNone;
  std::string token_text_;   // upper-cased
  std::string token_value_;  // as written; decoded for strings

  TCustomReport* owner_;
  TCommandList* commands_;
  TParamList* params_;
  TReportVar* reg_a_ = nullptr;
  TReportVar* reg_b_ = nullptr;
  bool end_ = false;
  int position_;
  int nesting_ = 0;
};

}  // namespace bexlo
