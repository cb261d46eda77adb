#include "widgets/grid/grid_popup_menu.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "grid/grid_menu.h"
#include "util/convert.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {

namespace {

// The caption's shortcut text (after the run of blanks that pads it) goes into the menu's
// shortcut column, so that the keys line up whatever the font.
QString MenuText(std::string_view caption) {
  const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  static const QRegularExpression pad(QStringLiteral("\\s{2,}(\\S+)$"));
  const QRegularExpressionMatch m = pad.match(text);
  if (!m.hasMatch()) return text;
  return text.left(m.capturedStart()) + QLatin1Char('\t') + m.captured(1);
}

TPopupMenu* g_shared_menu = nullptr;

void FreeSharedMenu() {
  delete g_shared_menu;
  g_shared_menu = nullptr;
}

}  // namespace

TDBGridPopupMenu::TDBGridPopupMenu(QWidget* parent) : TPopupMenu(parent) {
  setObjectName(QStringLiteral("Qo_Popup"));
  for (const TGridMenuItemDef& def : GridPopupMenuItems()) {
    QAction* action = nullptr;
    if (def.Tag == 0) {
      action = addSeparator();
    } else {
      action = addAction(MenuText(def.Caption));
      action->setData(def.Tag);
      const int tag = def.Tag;
      connect(action, &QAction::triggered, this, [this, tag] { RunCommand(tag); });
    }
    items_.push_back(action);
  }
}

void TDBGridPopupMenu::UpdateVisibility() {
  const std::vector<bool> visible = GridPopupMenuVisibility();
  for (std::size_t i = 0; i < items_.size() && i < visible.size(); ++i) items_[i]->setVisible(visible[i]);
}

void TDBGridPopupMenu::Popup(const QPoint& globalPos) {
  UpdateVisibility();
  popup(globalPos);
}

QAction* TDBGridPopupMenu::ItemByTag(int tag) const {
  for (QAction* a : items_) {
    if (!a->isSeparator() && a->data().toInt() == tag) return a;
  }
  return nullptr;
}

void TDBGridPopupMenu::RunCommand(int tag) {
  QWidget* component = PopupComponent();
  if (component == nullptr) return;
  auto* grid = qobject_cast<TSearchDBGrid*>(component);
  if (grid == nullptr) {
    MessageDlg("Invalid class typecast", TMsgDlgType::mtError, mbOK);
    return;
  }
  switch (static_cast<TGridCommand>(tag)) {
    case TGridCommand::ReportList: grid->ShowReportList(); break;
    case TGridCommand::DefaultReport: grid->ReportExpert(false); break;
    case TGridCommand::ReportExpert: grid->ReportExpert(true); break;
    case TGridCommand::LoadState: grid->LoadState(); break;
    case TGridCommand::SaveState: grid->SaveState(); break;
    case TGridCommand::ClearState: grid->ClearState(true, true); break;
    case TGridCommand::BuildWhere: grid->BuildWhere(); break;
    case TGridCommand::BuildChoice: grid->BuildChoice(); break;
    case TGridCommand::LockSearch: grid->ChangeLockSearch(); break;
    case TGridCommand::ShowData: grid->ShowData(); break;
    case TGridCommand::RecordCount: grid->ShowRecordCount(); break;
    case TGridCommand::Autorepeat: {
      std::string text = std::to_string(grid->GetReloadInterval() / 1000);
      if (InputQuery(msg::SPuRepeatCaption, msg::SPuRepeatPrompt, text)) {
        grid->SetReloadInterval(static_cast<int>(std::clamp<std::int64_t>(StrToIntDef(Trim(text), 0), 0, 65)) * 1000);
      }
      break;
    }
    case TGridCommand::ClearChoice: grid->ClearChoice(); break;
    case TGridCommand::InvertChoice: grid->InvertChoice(); break;
    case TGridCommand::AddSelectChoice: grid->AddSelectChoice(); break;
    case TGridCommand::AddChoice: grid->AddChoice(); break;
    case TGridCommand::FreezeCol: grid->FreezeCol(); break;
    case TGridCommand::UnFreezeCol: grid->UnFreezeCol(); break;
    case TGridCommand::None: break;
  }
  // A command given from the menu leaves no character to swallow.
  grid->SetSwallowFlag(false);
}

TPopupMenu* SharedGridPopupMenu() {
  if (g_shared_menu == nullptr && QCoreApplication::instance() != nullptr) {
    g_shared_menu = new TDBGridPopupMenu();
    qAddPostRoutine(FreeSharedMenu);
  }
  return g_shared_menu;
}

}  // namespace bexlo
