// Stored procedures and functions on PostgreSQL (SQLite refuses them: see TableTest): parameters from the catalogue, ExecProc with
// output, input-output and result parameters, set-returning functions opened as data sets.
#include "db_test_support.h"

namespace bexlo::testing {
namespace {

class StoredProcTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE FUNCTION add_tax(amount numeric, rate integer) RETURNS numeric "
         "LANGUAGE sql AS $$ SELECT amount * (100 + rate) / 100 $$");
    Exec("CREATE FUNCTION split_name(full_name text, OUT first_part text, OUT rest text) "
         "LANGUAGE sql AS $$ SELECT split_part(full_name, ' ', 1), "
         "substr(full_name, length(split_part(full_name, ' ', 1)) + 2) $$");
    Exec("CREATE TABLE log (msg text)");
    Exec("CREATE PROCEDURE note(msg text, INOUT counter integer) LANGUAGE plpgsql AS $$ "
         "BEGIN INSERT INTO log VALUES (msg); counter := counter + 1; END $$");
    Exec("CREATE FUNCTION numbers(upto integer) RETURNS TABLE (n integer, sq integer) "
         "LANGUAGE sql AS $$ SELECT g, g * g FROM generate_series(1, upto) g $$");
  }

  std::unique_ptr<TStoredProc> Proc(const std::string& name) {
    auto p = std::make_unique<TStoredProc>();
    p->SetDatabaseName(kDb);
    p->SetStoredProcName(name);
    return p;
  }
};

TEST_P(StoredProcTest, FunctionsReturnResultAndOutputParameters) {
  auto tax = Proc("ADD_TAX");  // unquoted names fold as in SQL
  tax->Prepare();
  ASSERT_EQ(tax->ParamCount(), 3);
  EXPECT_EQ(tax->Params()[0]->ParamType(), ptResult);
  EXPECT_EQ(tax->ParamByName("rate")->DataType(), ftInteger);
  tax->ParamByName("amount")->SetAsFloat(200);
  tax->ParamByName("rate")->SetAsInteger(21);
  tax->ExecProc();
  EXPECT_DOUBLE_EQ(tax->ParamByName("Result")->AsFloat(), 242);

  auto split = Proc("split_name");
  split->Prepare();
  EXPECT_EQ(split->ParamByName("rest")->ParamType(), ptOutput);
  split->ParamByName("full_name")->SetAsString("Ada King Lovelace");
  split->ExecProc();
  EXPECT_EQ(split->ParamByName("first_part")->AsString(), "Ada");
  EXPECT_EQ(split->ParamByName("rest")->AsString(), "King Lovelace");
}

TEST_P(StoredProcTest, ProceduresAndSetReturningFunctions) {
  auto note = Proc("note");
  note->Prepare();
  EXPECT_EQ(note->ParamByName("counter")->ParamType(), ptInputOutput);
  note->ParamByName("msg")->SetAsString("hello");
  note->ParamByName("counter")->SetAsInteger(41);
  note->ExecProc();
  EXPECT_EQ(note->ParamByName("counter")->AsInteger(), 42);
  EXPECT_EQ(Scalar("SELECT msg FROM log"), "hello");

  auto numbers = Proc("numbers");
  numbers->Prepare();
  numbers->ParamByName("upto")->SetAsInteger(4);
  numbers->Open();
  std::int64_t sum = 0;
  for (; !numbers->Eof(); numbers->Next()) sum += numbers->FieldByName("sq")->AsInteger();
  EXPECT_EQ(sum, 1 + 4 + 9 + 16);

  auto missing = Proc("no_such_proc");
  try {
    missing->Prepare();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Stored procedure 'no_such_proc' not found");
  }
}

TEST_P(StoredProcTest, OverloadsAndValuesSetBeforePrepare) {
  Exec("CREATE FUNCTION twice(x integer) RETURNS integer LANGUAGE sql AS $$ SELECT x * 2 $$");
  Exec("CREATE FUNCTION twice(x text) RETURNS text LANGUAGE sql AS $$ SELECT x || x $$");
  auto first = Proc("twice");
  first->SetOverload(0);
  first->Params().CreateParam(ftUnknown, "x", ptInput)->SetAsString("21");
  first->Prepare();  // the catalogue types the parameter; the value set before survives
  first->ExecProc();
  EXPECT_EQ(first->ParamByName("Result")->AsInteger(), 42);
  auto second = Proc("twice");
  second->SetOverload(1);
  second->Prepare();
  second->ParamByName("x")->SetAsString("ab");
  second->ExecProc();
  EXPECT_EQ(second->ParamByName("Result")->AsString(), "abab");
  auto third = Proc("twice");
  third->SetOverload(2);
  EXPECT_THROW(third->Prepare(), EDatabaseError);
  // Parameters typed by the catalogue that were not given a value pass NULL.
  auto unset = Proc("add_tax");
  unset->Prepare();
  unset->ParamByName("rate")->SetAsInteger(1);
  unset->ExecProc();
  EXPECT_TRUE(unset->ParamByName("Result")->IsNull());
}

BEXLO_PG_SUITE(StoredProcTest);

}  // namespace
}  // namespace bexlo::testing
