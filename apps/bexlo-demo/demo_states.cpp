#include "demo_states.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "db/database.h"
#include "db/driver.h"
#include "db/query.h"
#include "entry/record_link.h"
#include "grid/grid_state_store.h"
#include "order_desk.h"
#include "util/exceptions.h"
#include "util/strings.h"
#include "util/text.h"
#include "widgets/entry/record_link_widgets.h"
#include "widgets/grid/search_grid.h"
#include "widgets/states/get_dir_form.h"
#include "widgets/states/state_editor.h"
#include "widgets/states/state_forms.h"
#include "widgets/states/state_hooks.h"

namespace bexlo::demo {

namespace {

bool HasGridTable(TDatabase& db) {
  TStringList tables;
  db.GetTableNames(tables);
  for (const std::string& t : tables) {
    if (SameText(t, "SYS_GRIDS")) return true;
  }
  return false;
}

std::string ReadDdl(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    throw EInOutError("Cannot open " + path + ": " + file.errorString().toStdString());
  }
  return file.readAll().toStdString();
}

void Settle(QWidget& w) {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  w.repaint();
}

bool Save(QWidget& window, const QString& dir, const QString& name) {
  window.show();
  Settle(window);
  const QString path = QDir(dir).filePath(name);
  const bool ok = window.grab().save(path);
  if (ok) std::printf("screenshot: %s\n", qPrintable(path));
  else std::fprintf(stderr, "bexlo-demo: cannot write %s\n", qPrintable(path));
  window.hide();
  return ok;
}

}  // namespace

void EnsureSampleGridStates(const std::string& databaseName, const std::string& sqlDir) {
  TDatabase* db = Session().OpenDatabase(databaseName);
  if (HasGridTable(*db)) return;
  const std::string engine = db->DriverName() == "SQLITE" ? "sqlite" : "postgresql";
  db->Atomic([&] {
    db->Execute(ReadDdl(sqlDir + "/" + engine + "/sys_grids.sql"));
    TGridStateStore store(*db, kDemoApplicationName);
    const std::string group = GridStateGroup("TOrderDesk", "OrdersGrid");
    TGridState open;
    open.Group = group;
    open.Title = "Open orders";
    open.Search = {"status=open"};
    store.Save(open, false);
    TGridState returned;
    returned.Group = group;
    returned.Title = "Returned, largest first";
    returned.Search = {"status=returned"};
    returned.Order = {"amount DESC"};
    store.Save(returned, true);
  });
}

bool TakeStateScreenshots(TOrderDesk& desk, const QString& dir) {
  TSearchDBGrid& orders = *desk.Orders().Grid;
  const std::string database = desk.Orders().Query->DatabaseName();
  const std::string group = GridStateGroupOf(orders);
  bool ok = true;

  TSaveGridForm save(database, group, &desk);
  save.TitleEdit()->setText(QStringLiteral("Open orders of this week"));
  ok &= Save(save, dir, QStringLiteral("state-save.png"));

  TChoiceGridForm choice(database, group, &desk);
  choice.OpenList();
  ok &= Save(choice, dir, QStringLiteral("state-choice.png"));

  TChoiceEditGrdForm editor(database, group, &desk);
  editor.AllGroups()->setChecked(true);
  editor.OpenList();
  editor.Locate(group, "Returned, largest first");
  ok &= Save(editor, dir, QStringLiteral("state-editor.png"));

  // The edit window on the current state, as the editor's record link opens it.
  TDataSource* list = editor.Grid()->DataSource();
  editor.FormLink()->ExecLink(list, lmSetInfo);
  editor.FormLink()->ExecLink(lmEdit);
  editor.EditForm()->Pages()->setCurrentIndex(3);
  ok &= Save(*editor.EditForm(), dir, QStringLiteral("state-edit.png"));
  editor.FormLink()->ExecLink(lmCancel);

  // The directory chooser on the examples folder; its tree fills in the background.
  TGetDirForm chooser(QString(), QStringLiteral(BEXLO_EXAMPLES_DIR "/templates"), &desk);
  chooser.show();
  QEventLoop wait;
  QTimer::singleShot(500, &wait, &QEventLoop::quit);
  wait.exec();
  chooser.SetDirectory(QStringLiteral(BEXLO_EXAMPLES_DIR "/templates"));
  ok &= Save(chooser, dir, QStringLiteral("state-directory.png"));
  return ok;
}

}  // namespace bexlo::demo
