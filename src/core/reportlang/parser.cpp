#include "reportlang/parser.h"

#include <array>

#include "reportlang/commands.h"
#include "reportlang/custom_report.h"
#include "util/convert.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

struct Keyword {
  std::string_view text;
  int code;
};

// Keywords and symbols, found by exact match of the upper-cased token text.
constexpr std::array<Keyword, 30> kKeywords = {{
    {"(", tkLParen},   {")", tkRParen},        {"[", tkLBracket},  {"]", tkRBracket},
    {"{", tkLBrace},   {"}", tkRBrace},        {"IF", tkIf},       {"THEN", tkThen},
    {"ELSE", tkElse},  {",", tkComma},         {":=", tkAssign},   {"NOT", tkNot},
    {"AND", tkAnd},    {"OR", tkOr},           {"=", tkEqual},     {"<>", tkNotEqual},
    {">", tkGreater},  {"<", tkLess},          {">=", tkGreaterEqual}, {"<=", tkLessEqual},
    {"-", tkMinus},    {"+", tkPlus},          {"||", tkPlus},     {"*", tkMul},
    {"/", tkDiv},      {"TRUE", tkTrue},       {"FALSE", tkFalse}, {".", tkDot},
    {";", tkSemicolon}, {"&", tkAmpersand},
}};

int FindKeyword(std::string_view text) {
  if (text.size() > 5) return tkNone;
  for (const Keyword& k : kKeywords) {
    if (k.text == text) return k.code;
  }
  return tkNone;
}

// Windows-1251 code points of the bytes 128-255 (0x98 is unassigned there: kept as U+0098).
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

char32_t CharOfCode(int code) {
  return code < 128 ? static_cast<char32_t>(code) : static_cast<char32_t>(kCp1251[code - 128]);
}

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

bool IsAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool StartsIdentifier(char32_t c) {
  return c == '@' || c == '_' || IsAsciiLetter(c) || (c >= 0x80 && IsLetter(c));
}

bool ContinuesIdentifier(char32_t c) {
  return c == '_' || IsAsciiLetter(c) || IsDigit(c) || (c >= 0x80 && IsLetter(c));
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

// Counts one level of nesting for the lifetime of the guard; refuses to go deeper than
// kMaxNesting.
struct TQoReportParser::NestingGuard {
  explicit NestingGuard(TQoReportParser& parser) : parser_(parser) { parser_.EnterNesting(); }
  ~NestingGuard() { --parser_.nesting_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
  TQoReportParser& parser_;
};

TQoReportParser::TQoReportParser(std::string_view source, int position, TParamList* params,
                                 TCommandList* commands, TCustomReport* owner)
    : source_(source.substr(0, source.find('\0'))),
      owner_(owner),
      commands_(commands),
      params_(params),
      position_(position) {}

TQoReportParser::~TQoReportParser() = default;

// ---- scanner -------------------------------------------------------------------------------------

void TQoReportParser::NextChar() {
  if (at_end_) return;
  ch_start_ = read_pos_;
  if (read_pos_ >= source_.size()) {
    ch_ = 0;
    at_end_ = true;
    ++position_;
    return;
  }
  const auto byte = static_cast<unsigned char>(source_[read_pos_]);
  if (byte == 1) {
    // The statement separator of template lines reads as ";" and takes no place in the template.
    ch_ = ';';
    ++read_pos_;
    return;
  }
  if (byte < 0x80) {
    ch_ = byte;
    ++read_pos_;
  } else {
    ch_ = Utf8Decode(source_, read_pos_);
  }
  ++position_;
}

bool TQoReportParser::AtEndSymbol() const noexcept {
  return at_end_ && token_value_.size() == 1 && token_value_[0] == '\0';
}

void TQoReportParser::NextToken() {
  for (;;) {
    while (ch_ == 9 || ch_ == 10 || ch_ == 13 || ch_ == 32) NextChar();
    token_value_.clear();
    token_text_.clear();
    token_ = tkNone;
    if (ch_ == '/' && !at_end_) {
      NextChar();
      if (ch_ == '*' && !at_end_) {
        // A comment runs to the first "*/" after its opening, or to the end of the text.
        NextChar();
        while (!at_end_) {
          if (ch_ == '*') {
            NextChar();
            if (ch_ == '/') {
              NextChar();
              break;
            }
          } else {
            NextChar();
          }
        }
        continue;
      }
      token_value_.assign(1, '/');
      token_text_.assign(1, '/');
      token_ = tkDiv;
      return;
    }
    break;
  }
  if (StartsIdentifier(ch_)) {
    ScanIdentifier();
  } else if (IsDigit(ch_)) {
    ScanNumber();
  } else if (ch_ == '\'' || ch_ == '#') {
    ScanString();
    return;
  } else {
    ScanSymbol();
  }
  if (token_ == tkIdent || token_ == tkNone) {
    const int keyword = FindKeyword(token_text_);
    if (keyword != tkNone) token_ = keyword;
  }
  if (token_ == tkNone) throw UnDefinedSymbol(msg::SQoIllegalSymbol);
}

void TQoReportParser::ScanIdentifier() {
  do {
    Utf8Append(token_value_, ch_);
    NextChar();
  } while (!at_end_ && ContinuesIdentifier(ch_));
  token_text_ = IsAscii(token_value_) ? AsciiUpperCase(token_value_) : UpperCase(token_value_);
  token_ = tkIdent;
}

void TQoReportParser::ScanNumber() {
  do {
    token_value_ += static_cast<char>(ch_);
    NextChar();
  } while (!at_end_ && IsDigit(ch_));
  token_text_ = token_value_;
  token_ = tkNumber;
}

void TQoReportParser::ScanString() {
  token_ = tkString;
  for (;;) {
    if (ch_ == '\'') {
      NextChar();
      while (!at_end_) {
        if (ch_ == 13) throw Exception(msg::SQoUnexpectedEndOfLine);
        if (ch_ == '\'') {
          NextChar();
          if (ch_ != '\'' || at_end_) break;  // closing quote; two quotes stand for one
        }
        Utf8Append(token_value_, ch_);
        NextChar();
      }
    } else if (ch_ == '#' && !at_end_) {
      NextChar();
      if (at_end_ || !IsDigit(ch_)) RaiseRequired(msg::SQoNumber);
      int code = 0;
      while (!at_end_ && IsDigit(ch_)) {
        code = (code * 10 + static_cast<int>(ch_ - '0')) % 256;
        NextChar();
      }
      Utf8Append(token_value_, CharOfCode(code));
    } else {
      break;
    }
  }
}

void TQoReportParser::ScanSymbol() {
  const char32_t first = ch_;
  Utf8Append(token_value_, first);
  NextChar();
  if (!at_end_) {
    if ((first == '<' && (ch_ == '=' || ch_ == '>')) || ((first == '>' || first == ':') && ch_ == '=') ||
        (first == '|' && ch_ == '|')) {
      token_value_ += static_cast<char>(ch_);
      NextChar();
    }
  }
  token_text_ = token_value_;
}

void TQoReportParser::Require(int code, const char* what) const {
  if (token_ != code) RaiseRequired(what);
}

void TQoReportParser::RaiseRequired(const char* what) const {
  throw Exception(Format(msg::SQoRequired, what));
}

void TQoReportParser::EnterNesting() {
  if (nesting_ >= kMaxNesting) throw Exception(msg::SQoNestingTooDeep);
  ++nesting_;
}

// ---- code emission -------------------------------------------------------------------------------

int TQoReportParser::Emit(std::unique_ptr<TCommand> command) {
  return commands_->AddCommand(std::move(command));
}

void TQoReportParser::EmitCopy(TReportVar* target, TReportVar* source) {
  Emit(std::make_unique<TAssignCmd>(position_, target, source, false));
}

void TQoReportParser::EmitPush(TReportVar* cell) { Emit(std::make_unique<TPushCmd>(position_, cell)); }

void TQoReportParser::EmitPop(TReportVar* cell) { Emit(std::make_unique<TPopCmd>(position_, cell)); }

void TQoReportParser::EmitCalc(TReportVar* target, TReportVar* operand, int op) {
  Emit(std::make_unique<TCalcCmd>(position_, target, operand, op));
}

// ---- parser --------------------------------------------------------------------------------------

void TQoReportParser::Compile() {
  reg_a_ = owner_->AddVar("@A");
  reg_b_ = owner_->AddVar("@B");
  NextChar();
  try {
    NextToken();
  } catch (const UnDefinedSymbol&) {
    if (AtEndSymbol()) return;  // an empty text compiles to nothing
    throw;
  }
  while (!end_) Block();
}

void TQoReportParser::Block() {
  Require(tkLBrace, "{");
  try {
    NextToken();
    StatementList();
    Require(tkRBrace, "}");
  } catch (const UnDefinedSymbol&) {
    if (AtEndSymbol()) throw Exception(msg::SQoUnexpectedEndOfBlock);
    throw;
  }
  try {
    NextToken();
  } catch (const UnDefinedSymbol&) {
    if (!AtEndSymbol()) throw;
    end_ = true;
  }
}

bool TQoReportParser::StartsStatement() const noexcept {
  return token_ == tkIf || token_ == tkSemicolon || token_ == tkIdent;
}

void TQoReportParser::StatementList() {
  if (!StartsStatement() && token_ != tkRBrace)
    throw Exception(Format(msg::SQoIllegalSymbolS, token_value_));
  while (StartsStatement()) Statement();
}

void TQoReportParser::Statement() {
  NestingGuard guard(*this);
  switch (token_) {
    case tkSemicolon: NextToken(); break;
    case tkIf: IfStatement(); break;
    case tkIdent: IdentStatement(); break;
    default: break;
  }
}

void TQoReportParser::IfStatement() {
  NextToken();
  Expression();
  Require(tkThen, "then");
  auto jnz = std::make_unique<TJnzCmd>(position_, reg_a_, 0);
  TJnzCmd* jnzCmd = jnz.get();
  const int j = Emit(std::move(jnz));
  NextToken();
  Branch();
  auto jump = std::make_unique<TJumpCmd>(position_, 0);
  TJumpCmd* jumpCmd = jump.get();
  const int k = Emit(std::move(jump));
  jnzCmd->SetOffset(k + 1 - j);  // to the else-branch, or past the IF
  if (token_ == tkElse) {
    NextToken();
    Branch();
  }
  jumpCmd->SetOffset(commands_->Count() - k);  // past the else-branch
}

void TQoReportParser::Branch() {
  if (token_ == tkLBrace) {
    NextToken();
    StatementList();
    Require(tkRBrace, "}");
    NextToken();
  } else if (StartsStatement()) {
    Statement();
  }
}

void TQoReportParser::IdentStatement() {
  const std::string name = token_text_;
  if (TFunc* func = owner_->GetFuncByName(name)) {
    NextToken();
    FunctionCall(func);
    Require(tkSemicolon, ";");
    NextToken();
    return;
  }
  NextToken();
  if (token_ == tkDot) {
    TReportVar* var = owner_->GetVarByName(name);
    if (!var) throw Exception(Format(msg::SQoVariableNotFound, name));
    AutomationChain(var, true);
    return;
  }
  TReportVar* target = owner_->AddVar(name);
  if (token_ != tkAssign && token_ != tkEqual) RaiseRequired("=");
  NextToken();
  Expression();
  // The target keeps its type: a typed variable refuses a value of another type.
  Emit(std::make_unique<TAssignCmd>(position_, target, reg_a_, true));
  Require(tkSemicolon, ";");
  NextToken();
}

void TQoReportParser::Expression() {
  NestingGuard guard(*this);
  const bool negate = token_ == tkNot;
  if (negate) NextToken();
  Relation();
  if (negate) EmitCalc(reg_a_, reg_a_, opNot);
  if (token_ != tkAnd && token_ != tkOr) return;
  EmitCalc(reg_b_, reg_a_, opCopy);
  while (token_ == tkAnd || token_ == tkOr) {
    const int op = token_;
    NextToken();
    EmitPush(reg_b_);
    const bool negateOperand = token_ == tkNot;
    if (negateOperand) NextToken();
    Relation();
    if (negateOperand) EmitCalc(reg_a_, reg_a_, opNot);
    EmitPop(reg_b_);
    EmitCalc(reg_b_, reg_a_, op);
  }
  EmitCopy(reg_a_, reg_b_);
}

void TQoReportParser::Relation() {
  Simple();
  if (token_ < tkEqual || token_ > tkLessEqual) return;
  const int op = token_;
  NextToken();
  EmitPush(reg_a_);
  Simple();
  EmitPop(reg_b_);
  Emit(std::make_unique<TCompareCmd>(position_, reg_b_, reg_a_, op));
  EmitCopy(reg_a_, reg_b_);
}

void TQoReportParser::Simple() {
  bool used = false;
  if (token_ == tkMinus) {
    // A leading minus is 0 - Term.
    NextToken();
    Emit(std::make_unique<TAssignConstCmd>(position_, reg_b_, OleVariant::FromInteger(0), false));
    EmitPush(reg_b_);
    Term();
    EmitPop(reg_b_);
    EmitCalc(reg_b_, reg_a_, opSub);
    used = true;
  } else {
    Term();
  }
  if (token_ == tkPlus || token_ == tkMinus) {
    if (!used) EmitCalc(reg_b_, reg_a_, opCopy);
    while (token_ == tkPlus || token_ == tkMinus) {
      const int op = token_;
      NextToken();
      EmitPush(reg_b_);
      Term();
      EmitPop(reg_b_);
      EmitCalc(reg_b_, reg_a_, op);
    }
    used = true;
  }
  if (used) EmitCopy(reg_a_, reg_b_);
}

void TQoReportParser::Term() {
  Operand();
  if (token_ != tkMul && token_ != tkDiv) return;
  EmitCalc(reg_b_, reg_a_, opCopy);
  while (token_ == tkMul || token_ == tkDiv) {
    const int op = token_;
    NextToken();
    EmitPush(reg_b_);
    Operand();
    EmitPop(reg_b_);
    EmitCalc(reg_b_, reg_a_, op);
  }
  EmitCopy(reg_a_, reg_b_);
}

void TQoReportParser::Operand() {
  if (token_ != tkLParen) return Factor();
  NextToken();
  Expression();
  Require(tkRParen, ")");
  NextToken();
}

void TQoReportParser::Factor() {
  switch (token_) {
    case tkTrue:
    case tkFalse:
      Emit(std::make_unique<TAssignConstCmd>(position_, reg_a_, OleVariant::FromBoolean(token_ == tkTrue),
                                             false));
      NextToken();
      return;
    case tkNumber: {
      std::string text = token_value_;
      NextToken();
      if (token_ == tkDot) {
        NextToken();
        if (token_ != tkNumber) RaiseRequired(msg::SQoNumber);
        text += '.';
        text += token_value_;
        NextToken();
      }
      const double value = StrToFloat(text, DefaultFormatSettings());
      Emit(std::make_unique<TAssignConstCmd>(position_, reg_a_, OleVariant::FromDouble(value), false));
      return;
    }
    case tkString:
      Emit(std::make_unique<TAssignConstCmd>(position_, reg_a_, OleVariant::FromString(token_value_),
                                             false));
      NextToken();
      return;
    case tkIdent: {
      const std::string name = token_text_;
      if (TFunc* func = owner_->GetFuncByName(name)) {
        NextToken();
        FunctionCall(func);
        return;
      }
      TReportVar* var = owner_->GetVarByName(name);
      if (!var) throw Exception(Format(msg::SQoVariableNotFound, name));
      NextToken();
      if (token_ == tkDot) {
        AutomationChain(var, false);
      } else {
        EmitCopy(reg_a_, var);
      }
      return;
    }
    default:
      RaiseRequired(msg::SQoIdentifier);
  }
}

void TQoReportParser::FunctionCall(TFunc* func) {
  Emit(std::make_unique<TPushCmd>(position_, params_));
  Emit(std::make_unique<TClearParamListCmd>(position_, params_));
  if (token_ == tkLParen) {
    NextToken();
    Arguments(func);
    Require(tkRParen, ")");
    NextToken();
  }
  Emit(std::make_unique<TCallCmd>(position_, reg_a_, func, params_));
  Emit(std::make_unique<TPopCmd>(position_, params_, true));
}

void TQoReportParser::Arguments(TFunc* func) {
  for (int i = 0;; ++i) {
    if (func->IsVarParam(i)) {
      if (token_ != tkIdent) RaiseRequired(msg::SQoIdentifier);
      TReportVar* cell = owner_->AddVar(token_text_);
      Emit(std::make_unique<TAddParamCmd>(position_, cell, params_, true));
      NextToken();
    } else {
      Expression();
      Emit(std::make_unique<TAddParamCmd>(position_, reg_a_, params_, false));
    }
    if (token_ != tkComma) return;
    NextToken();
  }
}

void TQoReportParser::AutomationChain(TReportVar* var, bool inStatement) {
  // The chain's commands are collected apart, so that in a statement the assigned expression can
  // be compiled (and run) before them.
  TCommandList* const outer = commands_;
  TCommandList side;
  struct Restore {
    TQoReportParser& parser;
    TCommandList* list;
    ~Restore() { parser.commands_ = list; }
  } restore{*this, outer};
  commands_ = &side;

  EmitCopy(reg_a_, var);
  TByteSet byRef;
  TDispCallCmd* last = nullptr;
  bool first = true;
  while (token_ == tkDot) {
    NextToken();
    if (token_ != tkIdent) RaiseRequired(msg::SQoName);
    Emit(std::make_unique<TPushCmd>(position_, params_));
    Emit(std::make_unique<TClearParamListCmd>(position_, params_));
    EmitPush(reg_a_);
    EmitPush(reg_b_);
    std::string member = token_text_;
    NextToken();
    if (token_ == tkLParen || token_ == tkLBracket) {
      const bool paren = token_ == tkLParen;
      NextToken();
      for (int i = 0;; ++i) {
        if (token_ == tkAmpersand) {
          NextToken();
          if (token_ != tkIdent) RaiseRequired(msg::SQoIdentifier);
          TReportVar* cell = owner_->AddVar(token_text_);
          Emit(std::make_unique<TAddParamCmd>(position_, cell, params_, true));
          if (i <= 255) byRef.set(static_cast<std::size_t>(i));
          NextToken();
        } else {
          Expression();
          Emit(std::make_unique<TAddParamCmd>(position_, reg_a_, params_, false));
        }
        if (token_ != tkComma) break;
        NextToken();
      }
      Require(paren ? tkRParen : tkRBracket, paren ? ")" : "]");
      NextToken();
    }
    EmitPop(reg_b_);
    EmitPop(reg_a_);
    const int kind = (token_ == tkDot || !inStatement) ? dcGet : dcMethod;
    auto call = std::make_unique<TDispCallCmd>(position_, std::move(member), kind, params_,
                                               first ? var : reg_a_, reg_b_, byRef, reg_a_);
    last = call.get();
    Emit(std::move(call));
    Emit(std::make_unique<TPopCmd>(position_, params_, true));
    first = false;
  }

  commands_ = outer;
  if (inStatement && (token_ == tkAssign || token_ == tkEqual)) {
    // obj.Member := value: the value is computed first and handed over in B.
    NextToken();
    Expression();
    EmitCopy(reg_b_, reg_a_);
    last->SetCallKind(dcPut);
  }
  const int count = side.Count();
  for (int i = 0; i < count; ++i) {
    TObject* command = side.Get(i);
    side.ClearPosition(i);
    outer->Add(command);
  }
  if (inStatement) {
    Require(tkSemicolon, ";");
    NextToken();
  }
}

}  // namespace bexlo
