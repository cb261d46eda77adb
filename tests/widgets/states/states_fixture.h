// A search grid named Grid1 on a window of class TOrderForm (state group "TOrderForm_Grid1") over
// the grid tests' table T, in a database that carries SYS_GRIDS from the shipped DDL; on SQLite
// and on PostgreSQL. Modal windows are driven by OnModal: the action runs once a modal window of
// the class is open, and whatever it leaves open is closed afterwards.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <functional>
#include <sstream>

#include "grid/grid_fixture.h"
#include "grid/grid_state_store.h"
#include "util/settings.h"

namespace bexlo::testing {

class TOrderForm : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
};

// Runs the actions one by one on the modal windows of class T as they open (a window that opens
// again, as an edit window that refused to close does, gets the next action), and closes each
// window an action leaves open. The watch ends with the last action.
template <class T>
class OnModal {
 public:
  explicit OnModal(std::function<void(T&)> act) : OnModal(std::vector<std::function<void(T&)>>{std::move(act)}) {}
  explicit OnModal(std::vector<std::function<void(T&)>> acts) : acts_(std::move(acts)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
      if (dialog == nullptr || acting_) return;
      acting_ = true;
      acts_[ran_++](*dialog);
      acting_ = false;
      if (ran_ == acts_.size()) timer_.stop();
      if (dialog->isVisible()) dialog->reject();
    });
    timer_.start(0);
  }
  bool Ran() const { return ran_ > 0; }
  std::size_t Count() const { return ran_; }

 private:
  std::vector<std::function<void(T&)>> acts_;
  QTimer timer_;
  std::size_t ran_ = 0;
  bool acting_ = false;
};

class StatesTest : public GridTest {
 protected:
  static constexpr const char* kGroup = "TOrderForm_Grid1";

  void SetUp() override {
    GridTest::SetUp();
    if (HasFatalFailure()) return;
    std::ifstream in(std::string(BEXLO_SQL_DIR) + (Pg() ? "/postgresql" : "/sqlite") + "/sys_grids.sql");
    std::stringstream ddl;
    ddl << in.rdbuf();
    ASSERT_FALSE(ddl.str().empty());
    Session().OpenDatabase(db_name_)->Execute(ddl.str());
    saved_app_ = ApplicationName;
    ApplicationName = "StatesTest";
    form_ = std::make_unique<TOrderForm>();
    form_->resize(640, 400);
    grid->setParent(form_.get());
    grid->setObjectName(QStringLiteral("Grid1"));
    form_->show();
    grid->setFocus();
  }
  void TearDown() override {
    GridTest::TearDown();
    form_.reset();
    ApplicationName = saved_app_;
    UseGridStateEdit = true;
  }

  TGridStateStore Store() { return TGridStateStore(db_name_); }
  int Rows() {
    TQuery q;
    q.SetDatabaseName(db_name_);
    q.SetSQLText("SELECT COUNT(*) FROM SYS_GRIDS");
    q.Open();
    return static_cast<int>(q.Fields(0)->AsInteger());
  }
  int RecordCount() {
    TBookmark b = query->GetBookmark();
    const int n = query->RecordCount();
    query->GotoBookmark(b);
    return n;
  }
  // Types a search value into a column and applies it.
  void Search(const std::string& field, const QString& text) {
    Column(field);
    Type(text);
    grid->SearchTimerTick();
  }
  TGridState State(const std::string& title, std::vector<std::string> search, std::vector<std::string> order = {},
                   std::string group = kGroup) {
    TGridState s;
    s.Group = std::move(group);
    s.Title = title;
    s.Search = std::move(search);
    s.Order = std::move(order);
    return s;
  }

  std::unique_ptr<TOrderForm> form_;
  std::string saved_app_;
};

}  // namespace bexlo::testing
