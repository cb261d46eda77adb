// TStoredProc: calls a stored procedure or function of the database.
//
// Prepare reads the procedure's parameters from the catalogue into Params (names, kinds input,
// output, input-output or result, data types); the application sets the input values and calls
// ExecProc, after which the output, input-output and result parameters hold what the procedure
// returned. Open reads the rows of a set-returning function instead. Overload picks among
// procedures of the same name (0: the first). On PostgreSQL functions are called with SELECT and
// procedures with CALL; SQLite has no stored procedures and says so.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/db_dataset.h"
#include "db/params.h"

namespace bexlo {

class TStoredProc : public TDBDataSet {
 public:
  explicit TStoredProc(TComponent* owner = nullptr);
  ~TStoredProc() override;

  std::string_view ClassName() const noexcept override { return "TStoredProc"; }

  const std::string& StoredProcName() const noexcept { return proc_name_; }
  void SetStoredProcName(std::string name);
  int Overload() const noexcept { return overload_; }
  void SetOverload(int value);

  TParams& Params() noexcept { return params_; }
  const TParams& Params() const noexcept { return params_; }
  int ParamCount() const noexcept { return params_.Count(); }
  TParam* ParamByName(std::string_view name) const { return params_.ParamByName(name); }

  void Prepare();
  void UnPrepare();
  bool Prepared() const noexcept { return prepared_; }
  void ExecProc();

  void DatabaseClosing() override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;

 private:
  // The call statement and the names of the parameters its markers stand for.
  std::string CallText(std::vector<std::string>& names) const;
  std::unique_ptr<TDriverStatement> PrepareCall();

  std::string proc_name_;
  int overload_ = 0;
  TParams params_;
  bool prepared_ = false;
  struct Info;
  std::unique_ptr<Info> info_;
  std::unique_ptr<TDriverStatement> statement_;
};

}  // namespace bexlo
