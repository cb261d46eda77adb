#include "widgets/reportui/edit_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/output/printing.h"
#include "widgets/platform/qt_user_interaction.h"

namespace bexlo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Bytes from outside as text: UTF-8 when valid, else the legacy code page.
QString DecodeText(const QByteArray& bytes) {
  const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (IsValidUtf8(view)) return QString::fromUtf8(bytes);
  try {
    return Q(ConvertToUtf8(view, "WINDOWS-1251"));
  } catch (const Exception&) {
    return Q(RepairUtf8(view));
  }
}

QString ApplicationTitle() {
  const QString title = QApplication::applicationDisplayName();
  return title.isEmpty() ? QStringLiteral("Text editor") : title;
}

}  // namespace

TEditForm::TEditForm(QWidget* parent) : QDialog(parent), file_name_(msg::SQoUntitled) {
  BuildWindow();
  ExecPrintDialog = [](QPrintDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  UpdateCaption();
}

TEditForm::~TEditForm() = default;

void TEditForm::BuildWindow() {
  setWindowTitle(QStringLiteral("Text editor"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);

  editor_ = new QTextEdit;
  editor_->setAcceptRichText(false);
  editor_->setLineWrapMode(QTextEdit::NoWrap);
  editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  editor_->setTabChangesFocus(false);

  menu_bar_ = new QMenuBar;
  tool_bar_ = new QToolBar;
  tool_bar_->setIconSize(QSize(18, 18));
  tool_bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  QStyle* st = style();

  auto command = [this](QMenu* menu, const QString& text, QKeySequence key, auto handler, QIcon icon = QIcon()) {
    QAction* action = menu->addAction(icon, text);
    if (!key.isEmpty()) action->setShortcut(key);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };

  QMenu* file = menu_bar_->addMenu(QStringLiteral("&File"));
  QAction* newAction = command(file, QStringLiteral("&New"), QKeySequence::New, [this] { Guarded([this] { return FileNew(); }); },
                               st->standardIcon(QStyle::SP_FileIcon));
  QAction* openAction = command(file, QStringLiteral("&Open..."), QKeySequence::Open,
                                [this] { Guarded([this] { return FileOpen(); }); }, st->standardIcon(QStyle::SP_DirOpenIcon));
  QAction* saveAction = command(file, QStringLiteral("&Save"), QKeySequence::Save,
                                [this] { Guarded([this] { return FileSave(); }); }, st->standardIcon(QStyle::SP_DialogSaveButton));
  command(file, QStringLiteral("Save &as"), QKeySequence::SaveAs, [this] { Guarded([this] { return FileSaveAs(); }); });
  save_selection_ = command(file, QStringLiteral("Save se&lection"), QKeySequence(),
                            [this] { Guarded([this] { return FileSaveSelection(); }); });
  save_selection_->setEnabled(false);
  file->addSeparator();
  QAction* printAction = command(file, QStringLiteral("&Print"), QKeySequence::Print, [this] {
    Guarded([this] {
      FilePrint();
      return true;
    });
  });
  command(file, QStringLiteral("Print se&tup..."), QKeySequence(), [this] {
    Guarded([this] {
      FilePrintSetup();
      return true;
    });
  });
  file->addSeparator();
  command(file, QStringLiteral("E&xit"), QKeySequence(), [this] { reject(); });

  QMenu* edit = menu_bar_->addMenu(QStringLiteral("&Edit"));
  QAction* undo = command(edit, QStringLiteral("&Undo"), QKeySequence::Undo, [this] { editor_->undo(); });
  edit->addSeparator();
  QAction* cut = command(edit, QStringLiteral("Cu&t"), QKeySequence::Cut, [this] { editor_->cut(); });
  QAction* copy = command(edit, QStringLiteral("&Copy"), QKeySequence::Copy, [this] { editor_->copy(); });
  command(edit, QStringLiteral("&Paste"), QKeySequence::Paste, [this] { editor_->paste(); });
  undo->setEnabled(false);
  cut->setEnabled(false);
  copy->setEnabled(false);
  connect(editor_, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
  connect(editor_, &QTextEdit::copyAvailable, cut, &QAction::setEnabled);
  connect(editor_, &QTextEdit::copyAvailable, copy, &QAction::setEnabled);
  connect(editor_, &QTextEdit::copyAvailable, save_selection_, &QAction::setEnabled);
  // The editor handles its own editing keys; the menu's shortcuts would only compete with them.
  for (QAction* action : edit->actions()) action->setShortcutContext(Qt::WidgetShortcut);

  tool_bar_->addAction(newAction);
  tool_bar_->addAction(openAction);
  tool_bar_->addAction(saveAction);
  printAction->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
  if (!printAction->icon().isNull()) tool_bar_->addAction(printAction);
  tool_bar_->addSeparator();

  // Formatting, for rich text.
  auto toggle = [this](const QString& text, QKeySequence key, auto apply) {
    QAction* action = tool_bar_->addAction(text);
    action->setCheckable(true);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, apply);
    formatting_ << action;
    return action;
  };
  QAction* bold = toggle(QStringLiteral("B"), QKeySequence::Bold, [this](bool on) {
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    editor_->mergeCurrentCharFormat(format);
  });
  QFont boldFont = bold->font();
  boldFont.setBold(true);
  bold->setFont(boldFont);
  bold->setToolTip(QStringLiteral("Bold"));
  QAction* italic = toggle(QStringLiteral("I"), QKeySequence::Italic, [this](bool on) {
    QTextCharFormat format;
    format.setFontItalic(on);
    editor_->mergeCurrentCharFormat(format);
  });
  QFont italicFont = italic->font();
  italicFont.setItalic(true);
  italic->setFont(italicFont);
  italic->setToolTip(QStringLiteral("Italic"));
  QAction* underline = toggle(QStringLiteral("U"), QKeySequence::Underline, [this](bool on) {
    QTextCharFormat format;
    format.setFontUnderline(on);
    editor_->mergeCurrentCharFormat(format);
  });
  QFont underlineFont = underline->font();
  underlineFont.setUnderline(true);
  underline->setFont(underlineFont);
  underline->setToolTip(QStringLiteral("Underline"));
  tool_bar_->addSeparator();
  auto* alignments = new QActionGroup(this);
  struct TAlign {
    const char* theme;
    const char* text;
    Qt::Alignment alignment;
  };
  for (const TAlign& a : {TAlign{"format-justify-left", "Left", Qt::AlignLeft},
                          TAlign{"format-justify-center", "Centre", Qt::AlignHCenter},
                          TAlign{"format-justify-right", "Right", Qt::AlignRight}}) {
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(a.theme));
    QAction* action = tool_bar_->addAction(icon, QString::fromLatin1(a.text));
    action->setToolTip(QStringLiteral("Align ") + QString::fromLatin1(a.text).toLower());
    action->setCheckable(true);
    alignments->addAction(action);
    const Qt::Alignment alignment = a.alignment;
    connect(action, &QAction::triggered, this, [this, alignment] { editor_->setAlignment(alignment); });
    formatting_ << action;
  }
  QAction* bullets = tool_bar_->addAction(QStringLiteral("\u2022 List"));
  bullets->setCheckable(true);
  bullets->setToolTip(QStringLiteral("Bullet list"));
  connect(bullets, &QAction::triggered, this, [this](bool on) {
    QTextCursor cursor = editor_->textCursor();
    if (on) {
      cursor.createList(QTextListFormat::ListDisc);
    } else if (QTextList* list = cursor.currentList()) {
      list->remove(cursor.block());
      QTextBlockFormat format = cursor.blockFormat();
      format.setIndent(0);
      cursor.setBlockFormat(format);
    }
  });
  formatting_ << bullets;
  tool_bar_->addSeparator();
  font_box_ = new QFontComboBox;
  font_box_->setToolTip(QStringLiteral("Font"));
  size_box_ = new QComboBox;
  size_box_->setEditable(true);
  size_box_->setToolTip(QStringLiteral("Font size"));
  for (int size : QFontDatabase::standardSizes()) size_box_->addItem(QString::number(size));
  size_box_->setCurrentText(QStringLiteral("10"));
  size_box_->setMinimumContentsLength(3);
  tool_bar_->addWidget(font_box_);
  tool_bar_->addWidget(size_box_);
  connect(font_box_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
    QTextCharFormat format;
    format.setFontFamilies({font.family()});
    editor_->mergeCurrentCharFormat(format);
  });
  connect(size_box_, &QComboBox::textActivated, this, [this](const QString& text) {
    const double size = text.toDouble();
    if (size <= 0) return;
    QTextCharFormat format;
    format.setFontPointSize(size);
    editor_->mergeCurrentCharFormat(format);
  });
  connect(editor_, &QTextEdit::currentCharFormatChanged, this, [bold, italic, underline](const QTextCharFormat& f) {
    bold->setChecked(f.fontWeight() >= QFont::Bold);
    italic->setChecked(f.fontItalic());
    underline->setChecked(f.fontUnderline());
  });

  auto* spacer = new QWidget;
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  tool_bar_->addWidget(spacer);
  planar_ = new QCheckBox(QStringLiteral("Planar text"));
  planar_->setChecked(true);
  planar_->setFocusPolicy(Qt::TabFocus);
  planar_->setToolTip(QStringLiteral("Plain text; clear it for rich text"));
  tool_bar_->addWidget(planar_);
  connect(planar_, &QCheckBox::toggled, this, [this] { UpdateFormatting(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menu_bar_);
  layout->addWidget(tool_bar_);
  layout->addWidget(editor_, 1);

  connect(editor_->document(), &QTextDocument::modificationChanged, this, [this] { UpdateCaption(); });
  UpdateFormatting();
  editor_->setFocus();
  resize(QSize(780, 560).expandedTo(minimumSizeHint()));
}

// ---- state ---------------------------------------------------------------------------------

bool TEditForm::Modified() const { return editor_->document()->isModified(); }
void TEditForm::SetModified(bool modified) { editor_->document()->setModified(modified); }
bool TEditForm::PlainText() const { return planar_->isChecked(); }
void TEditForm::SetPlainText(bool plain) { planar_->setChecked(plain); }

void TEditForm::UpdateFormatting() {
  const bool rich = !PlainText();
  editor_->setAcceptRichText(rich);
  editor_->setLineWrapMode(rich ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  for (QAction* action : formatting_) action->setEnabled(rich);
  font_box_->setEnabled(rich);
  size_box_->setEnabled(rich);
}

void TEditForm::UpdateCaption() {
  const QString name = QFileInfo(Q(file_name_)).fileName();
  setWindowTitle(Q(Format(msg::SQoEditCaption, name.toStdString(), ApplicationTitle().toStdString())));
}

// ---- files ---------------------------------------------------------------------------------

void TEditForm::LoadFromFile(const std::string& fileName) {
  QFile file(Q(fileName));
  if (!file.open(QIODevice::ReadOnly)) {
    throw Exception(Format(msg::SQoFileRead, fileName, file.errorString().toStdString()));
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    throw Exception(Format(msg::SQoFileRead, fileName, file.errorString().toStdString()));
  }
  QString text = DecodeText(bytes);
  crlf_ = text.contains(QLatin1String("\r\n")) || !text.contains('\n');
  text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
  if (!PlainText() && Qt::mightBeRichText(text)) {
    editor_->setHtml(text);
  } else {
    editor_->setPlainText(text);
  }
  file_name_ = fileName;
  SetModified(false);
  UpdateCaption();
}

void TEditForm::WriteTo(const std::string& name, bool selectionOnly) {
  QString text;
  if (selectionOnly) {
    text = editor_->textCursor().selection().toPlainText();
  } else if (PlainText()) {
    text = editor_->toPlainText();
  } else {
    text = editor_->toHtml();
  }
  if (PlainText() || selectionOnly) {
    // Files of the report output format end their lines with CR LF; others keep what they had.
    const bool crlf = crlf_ || QFileInfo(Q(name)).suffix().compare(QLatin1String("prn"), Qt::CaseInsensitive) == 0;
    if (crlf) text.replace('\n', QLatin1String("\r\n"));
  }
  QSaveFile file(Q(name));
  const QByteArray bytes = text.toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    throw Exception(Format(msg::SQoFileWrite, name, file.errorString().toStdString()));
  }
  saved_ = true;
}

std::string TEditForm::AskSaveName() {
  const std::filesystem::path current(file_name_);
  const std::string dir = current.has_parent_path() ? current.parent_path().string() : std::string();
  std::optional<std::string> name =
      UserInteraction().SaveFileDialog("", msg::SQoEditFilter, dir, current.filename().string(), "");
  if (!name || name->empty()) return {};
  std::error_code ec;
  if (std::filesystem::exists(*name, ec) &&
      MessageDlg(Format(msg::SQoOverwriteFile, *name), TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes) {
    return {};
  }
  return *name;
}

bool TEditForm::FileNew() {
  if (!CheckSave()) return false;
  editor_->clear();
  file_name_ = msg::SQoUntitled;
  crlf_ = true;
  SetModified(false);
  UpdateCaption();
  return true;
}

bool TEditForm::FileOpen() {
  if (!CheckSave()) return false;
  const std::filesystem::path current(file_name_);
  std::optional<std::string> name = UserInteraction().OpenFileDialog(
      "", msg::SQoEditFilter, current.has_parent_path() ? current.parent_path().string() : std::string(), true);
  if (!name || name->empty()) return false;
  LoadFromFile(*name);
  return true;
}

bool TEditForm::FileSave() {
  if (file_name_ == msg::SQoUntitled) return FileSaveAs();
  WriteTo(file_name_, false);
  SetModified(false);
  return true;
}

bool TEditForm::FileSaveAs() {
  const std::string name = AskSaveName();
  if (name.empty()) return false;
  WriteTo(name, false);
  file_name_ = name;
  SetModified(false);
  UpdateCaption();
  return true;
}

bool TEditForm::FileSaveSelection() {
  if (!editor_->textCursor().hasSelection()) return false;
  const std::string name = AskSaveName();
  if (name.empty()) return false;
  WriteTo(name, true);
  return true;
}

void TEditForm::FilePrint() {
  QPrinter& printer = ReportPrinter();
  QPrintDialog dialog(&printer, this);
  const bool selection = editor_->textCursor().hasSelection();
  dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
  dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
  if (!ExecPrintDialog(dialog)) return;
  if (selection && dialog.printRange() == QAbstractPrintDialog::Selection) {
    const QString text = editor_->textCursor().selection().toPlainText();
    PrintList(printer, editor_->font(), text.split('\n'));
  } else {
    editor_->document()->print(&printer);
  }
}

void TEditForm::FilePrintSetup() {
  QPageSetupDialog dialog(&ReportPrinter(), this);
  dialog.exec();
}

bool TEditForm::CheckSave() {
  if (!Modified()) return true;
  switch (MessageDlg(Format(msg::SQoSaveChanges, file_name_), TMsgDlgType::mtConfirmation, mbYesNoCancel)) {
    case mrYes: return Guarded([this] { return FileSave(); });
    case mrNo: return true;
    default: return false;
  }
}

void TEditForm::reject() {
  if (!CheckSave()) return;
  QDialog::reject();
}

bool TEditForm::Guarded(const std::function<bool()>& command) {
  try {
    return command();
  } catch (const EUnexpectedQuestion&) {
    throw;
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return false;
  }
}

// ---- the hook ------------------------------------------------------------------------------

bool EditFile(const std::string& fileName) {
  TEditForm form(DialogParent());
  try {
    form.LoadFromFile(fileName);
  } catch (const Exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return false;
  }
  form.exec();
  return form.Saved();
}

}  // namespace bexlo
