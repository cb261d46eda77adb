// Errors of the database engines. An EDBEngineError is an EDatabaseError whose message is the
// engine's own text; it also carries the statement that failed and, where the engine has one, the
// SQLSTATE code, so that callers can show the statement or tell kinds of failure apart.
#pragma once

#include <string>
#include <string_view>

#include "util/exceptions.h"

namespace bexlo {

class EDBEngineError : public EDatabaseError {
 public:
  EDBEngineError(std::string message, std::string statement, std::string sqlState = {})
      : EDatabaseError(std::move(message)),
        statement_(std::move(statement)),
        sql_state_(std::move(sqlState)) {}

  std::string_view ClassName() const noexcept override { return "EDBEngineError"; }

  // The statement the engine refused (empty for connection-level failures).
  const std::string& Statement() const noexcept { return statement_; }
  // Five-character SQLSTATE ("23505", "40001" ...) when the engine reports one.
  const std::string& SqlState() const noexcept { return sql_state_; }
  // Byte offset in Statement() at which the engine found the error; -1 when it names none.
  int Offset() const noexcept { return offset_; }
  void SetOffset(int offset) noexcept { offset_ = offset; }
  // The layer that sent a rewritten statement (parameters as markers) puts back the text it
  // was given, with the offset moved to the same place in it.
  void SetStatement(std::string statement, int offset) {
    statement_ = std::move(statement);
    offset_ = offset;
  }

 private:
  std::string statement_;
  std::string sql_state_;
  int offset_ = -1;
};

// Raises EDatabaseError with a message of util/messages.h formatted with the arguments.
[[noreturn]] void DatabaseError(std::string message);

}  // namespace bexlo
