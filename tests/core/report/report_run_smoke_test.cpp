#include "run_test_support.h"

namespace bexlo::testing {

TEST_F(ReportRunTest, Smoke) {
  Exec("create table T (ID integer, NAME varchar(20), AMOUNT double);"
       "insert into T values (1, 'alpha', 1.5); insert into T values (2, 'beta', 20)");
  auto q = Query("select * from T order by ID");
  q->Open();
  const std::string out = Run(".REPORTHEADER\nList\n.DETAIL\n@ID:3 @NAME:6|@AMOUNT:-8.2\n.REPORTFOOTER\nEnd", q.get());
  EXPECT_EQ(out, Crlf({"List", "1   alpha |    1.50", "2   beta  |   20.00", "End"}));
}

}  // namespace bexlo::testing
