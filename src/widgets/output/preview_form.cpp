#include "widgets/output/preview_form.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "util/convert.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/pdf_export.h"
#include "widgets/output/printing.h"

namespace bexlo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kZoomPercents[] = {30, 50, 75, 100};
constexpr int kFitItem = 4;

// A caption above its control, the caption's mnemonic going to the control.
QWidget* Captioned(const QString& caption, QWidget* control, QLabel** labelOut = nullptr, QWidget* extra = nullptr) {
  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  auto* label = new QLabel(caption);
  label->setBuddy(control);
  column->addWidget(label);
  if (extra == nullptr) {
    column->addWidget(control);
  } else {
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(control);
    row->addWidget(extra);
    column->addLayout(row);
  }
  if (labelOut != nullptr) *labelOut = label;
  return box;
}

// The platform's keys of a standard action with `key` first (once).
QList<QKeySequence> WithKey(QKeySequence::StandardKey standard, int key) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
  keys.removeAll(QKeySequence(key));
  keys.prepend(QKeySequence(key));
  return keys;
}

}  // namespace

// Marks the current find hit over the viewer's page: a translucent marker multiplied onto the
// paper, so the text stays readable. It lies on the viewport and takes no mouse events.
class TQoPreviewForm::THitMarker : public QWidget {
 public:
  THitMarker(TQoPreviewForm* form, QWidget* viewport) : QWidget(viewport), form_(form) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(viewport->rect());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const std::optional<TFindHit>& hit = form_->CurrentHit();
    if (!hit) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    for (const TRect& r : HitRects(form_->FileViewer1()->Model(), *hit)) {
      painter.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)), QColor(255, 214, 0));
    }
  }

 private:
  TQoPreviewForm* form_;
};

TQoPreviewForm::TQoPreviewForm(QWidget* parent) : QDialog(parent) {
  BuildWindow();
  // FormCreate
  copies_ = 1;
  collate_ = true;
  edit_btn_->setEnabled(IsHookInstalled(THook::Report_EditFile));
  ExecPrintDialog = [](QPrintDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

TQoPreviewForm::~TQoPreviewForm() = default;

void TQoPreviewForm::BuildWindow() {
  setWindowTitle(QStringLiteral("Preview of the report"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);

  // ---- top panel: pages, zoom, find ----
  first_btn_ = new QPushButton(QStringLiteral("&First"));
  prev_btn_ = new QPushButton(QStringLiteral("Pre&vious"));
  next_btn_ = new QPushButton(QStringLiteral("&Next"));
  last_btn_ = new QPushButton(QStringLiteral("&Last"));
  for (QPushButton* button : {first_btn_, prev_btn_, next_btn_, last_btn_}) {
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    // Narrower than a dialog button when the window is narrow, never narrower than the text.
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text().remove('&')) + 20);
  }

  combo_ = new QComboBox;
  combo_->addItems({QStringLiteral("30 %"), QStringLiteral("50 %"), QStringLiteral("75 %"), QStringLiteral("100 %"),
                    QStringLiteral("On the whole page")});
  combo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  page_edit_ = new QLineEdit;
  page_edit_->setAlignment(Qt::AlignRight);
  page_edit_->setMaxLength(9);
  page_edit_->setFixedWidth(page_edit_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
  page_count_label_ = new QLabel(Q(Format(msg::SQoPageCount, 0)));

  find_edit_ = new QLineEdit;
  find_edit_->setClearButtonEnabled(true);
  find_edit_->setPlaceholderText(QStringLiteral("Text to find"));
  find_edit_->setMinimumWidth(find_edit_->fontMetrics().horizontalAdvance(QStringLiteral("Text to find")) + 36);
  find_btn_ = new QToolButton;
  find_btn_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  find_btn_->setToolTip(QStringLiteral("Find next (F3)"));
  find_btn_->setFocusPolicy(Qt::TabFocus);

  auto* top = new QHBoxLayout;
  top->setSpacing(6);
  auto* navigation = new QHBoxLayout;
  navigation->setSpacing(4);
  for (QPushButton* button : {first_btn_, prev_btn_, next_btn_, last_btn_}) navigation->addWidget(button);
  top->addLayout(navigation);
  top->setAlignment(navigation, Qt::AlignBottom);
  top->addSpacing(12);
  top->addWidget(Captioned(QStringLiteral("&Scale"), combo_), 0, Qt::AlignBottom);
  top->addSpacing(6);
  top->addWidget(Captioned(QStringLiteral("Pa&ge"), page_edit_, nullptr, page_count_label_), 0, Qt::AlignBottom);
  top->addStretch(1);
  top->addWidget(Captioned(QStringLiteral("F&ind"), find_edit_, nullptr, find_btn_), 0, Qt::AlignBottom);

  // ---- the viewer ----
  viewer_ = new TFileViewer;
  viewer_->SetOrientation(TPrinterOrientation::poPortrait);
  viewer_->setFrameShape(QFrame::StyledPanel);
  marker_ = new THitMarker(this, viewer_->viewport());

  // ---- bottom panel ----
  print_btn_ = new QPushButton(QStringLiteral("&Print"));
  save_btn_ = new QPushButton(QStringLiteral("&To disk"));
  pdf_btn_ = new QPushButton(QStringLiteral("P&DF..."));
  export_btn_ = new QPushButton(QStringLiteral("Expo&rt"));
  edit_btn_ = new QPushButton(QStringLiteral("&Editor"));
  close_btn_ = new QPushButton(QStringLiteral("E&xit"));
  print_btn_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  save_btn_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  close_btn_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  for (QPushButton* button : {save_btn_, pdf_btn_, export_btn_, edit_btn_, close_btn_}) button->setAutoDefault(false);
  print_btn_->setDefault(true);
  pdf_btn_->setToolTip(QStringLiteral("Write the report as a PDF file"));

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(6);
  for (QPushButton* button : {print_btn_, save_btn_, pdf_btn_, export_btn_, edit_btn_}) bottom->addWidget(button);
  bottom->addStretch(1);
  bottom->addWidget(close_btn_);

  auto* main = new QVBoxLayout(this);
  main->setContentsMargins(9, 9, 9, 9);
  main->setSpacing(8);
  main->addLayout(top);
  main->addWidget(viewer_, 1);
  main->addLayout(bottom);

  const QList<QWidget*> order = {first_btn_, prev_btn_,  next_btn_,   last_btn_,  combo_,
                                 page_edit_, find_edit_, find_btn_,   viewer_,    print_btn_,
                                 save_btn_,  pdf_btn_,   export_btn_, edit_btn_,  close_btn_};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  viewer_->setFocus();

  // ---- events ----
  connect(first_btn_, &QPushButton::clicked, this, &TQoPreviewForm::FirstBtnClick);
  connect(prev_btn_, &QPushButton::clicked, this, &TQoPreviewForm::PrevBtnClick);
  connect(next_btn_, &QPushButton::clicked, this, &TQoPreviewForm::NextBtnClick);
  connect(last_btn_, &QPushButton::clicked, this, &TQoPreviewForm::LastBtnClick);
  connect(print_btn_, &QPushButton::clicked, this, &TQoPreviewForm::PrintBtnClick);
  connect(save_btn_, &QPushButton::clicked, this, &TQoPreviewForm::SaveBtnClick);
  connect(pdf_btn_, &QPushButton::clicked, this, &TQoPreviewForm::PdfBtnClick);
  connect(export_btn_, &QPushButton::clicked, this, &TQoPreviewForm::ExportBtnClick);
  connect(edit_btn_, &QPushButton::clicked, this, &TQoPreviewForm::EditBtnClick);
  connect(close_btn_, &QPushButton::clicked, this, &QDialog::reject);
  connect(viewer_, &TFileViewer::pageChanged, this, [this] { FileViewerChangePage(); });
  connect(page_edit_, &QLineEdit::textEdited, this, &TQoPreviewForm::PageNumEditChange);
  // A choice of the user, also of the item already shown (a second "On the whole page").
  connect(combo_, &QComboBox::activated, this, &TQoPreviewForm::ComboBox1Change);
  connect(find_btn_, &QToolButton::clicked, this, [this] { FindNext(find_edit_->text().toStdString()); });
  connect(find_edit_, &QLineEdit::textEdited, this, [this] { ClearHit(); });

  auto* findAction = new QAction(this);
  findAction->setShortcut(QKeySequence::Find);
  connect(findAction, &QAction::triggered, this, [this] {
    find_edit_->setFocus(Qt::ShortcutFocusReason);
    find_edit_->selectAll();
  });
  auto* findNextAction = new QAction(this);
  findNextAction->setShortcuts(WithKey(QKeySequence::FindNext, Qt::Key_F3));
  connect(findNextAction, &QAction::triggered, this, [this] { FindNext(find_edit_->text().toStdString()); });
  auto* reloadAction = new QAction(this);
  reloadAction->setShortcuts(WithKey(QKeySequence::Refresh, Qt::Key_F5));
  connect(reloadAction, &QAction::triggered, this, [this] { Guarded([this] { Reload(); }); });
  addActions({findAction, findNextAction, reloadAction});

  find_edit_->installEventFilter(this);
  page_edit_->installEventFilter(this);
  viewer_->viewport()->installEventFilter(this);
  viewer_->installEventFilter(this);

  // The client area the window has always had, or what the screen allows.
  QSize size(759, 500);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    const QSize available = screen->availableSize();
    // Room for a page at 30 % where the screen has it.
    size = size.expandedTo(QSize(759, std::min(760, available.height() * 8 / 10))).boundedTo(available);
  }
  resize(size.expandedTo(minimumSizeHint()));
}

// ---- interfaces ----------------------------------------------------------------------------

void TQoPreviewForm::SetFormParams(const std::string& fileName, TPrinterOrientation orientation, bool collate,
                                   int copies) {
  ClearHit();
  viewer_->SetFileName(fileName);
  viewer_->SetOrientation(orientation);
  try {
    viewer_->LoadFile();
  } catch (...) {
    UpdateCaption();
    throw;
  }
  {
    const QSignalBlocker block(combo_);
    combo_->setCurrentIndex(0);
  }
  copies_ = copies;
  collate_ = collate;
  UpdateCaption();
  FileViewerChangePage();
}

void TQoPreviewForm::Print(int copies, bool collate) {
  PrintPages(*viewer_, 0, viewer_->GetPageCount() - 1, collate, copies);
}

void TQoPreviewForm::Reload() {
  ClearHit();
  const int page = viewer_->CurrentPage();
  const int zoom = combo_->currentIndex();
  try {
    viewer_->LoadFile();
  } catch (...) {
    UpdateCaption();
    throw;
  }
  // LoadFile went back to 30 %: the chosen zoom again, on the page shown before.
  if (zoom > 0) ApplyZoom(zoom);
  viewer_->SetPage(page);
  UpdateCaption();
  FileViewerChangePage();
}

bool TQoPreviewForm::FindNext(const std::string& text) {
  if (text.empty()) {
    // Nothing to find yet: the field to type it in.
    find_edit_->setFocus(Qt::ShortcutFocusReason);
    return false;
  }
  TFindPosition from;
  if (hit_ && hit_text_ == text) {
    from = NextFindPosition(*hit_);
  } else if (viewer_->GetPageCount() > 0) {
    from = {viewer_->TopLine(), 0};
  }
  const TFileViewerModel& model = viewer_->Model();
  std::optional<TFindHit> found = FindText(model, text, from);
  if (!found) {
    ClearHit();
    QPalette palette = find_edit_->palette();
    palette.setColor(QPalette::Base, QColor(255, 220, 220));
    find_edit_->setPalette(palette);
    Beep();
    return false;
  }
  find_edit_->setPalette(QPalette());
  hit_ = found;
  hit_text_ = text;
  if (found->Page >= 0 && found->Page != viewer_->CurrentPage()) viewer_->SetPage(found->Page);
  // The hit's line in view: the page's top stays at the top unless the line lies below the
  // lines the window shows.
  const std::int64_t visible = std::max<std::int64_t>(viewer_->VisibleLines() - 1, 1);
  if (found->Line < viewer_->TopLine() || found->Line >= viewer_->TopLine() + visible) {
    viewer_->SetCurrent(0, std::max<std::int64_t>(found->Line - visible / 2, 0));
  } else if (viewer_->LeftPos() != 0) {
    viewer_->SetCurrent(0, viewer_->TopLine());
  }
  viewer_->viewport()->update();
  marker_->update();
  return true;
}

void TQoPreviewForm::ClearHit() {
  if (!hit_) return;
  hit_.reset();
  marker_->update();
}

void TQoPreviewForm::UpdateCaption() {
  setWindowTitle(Q(msg::SQoPreviewCaption + viewer_->GetFileName()));
  page_count_label_->setText(Q(Format(msg::SQoPageCount, viewer_->GetPageCount())));
}

// ---- event handlers ------------------------------------------------------------------------

void TQoPreviewForm::FirstBtnClick() { viewer_->SetPage(0); }
void TQoPreviewForm::PrevBtnClick() { viewer_->SetPage(viewer_->CurrentPage() - 1); }
void TQoPreviewForm::NextBtnClick() { viewer_->SetPage(viewer_->CurrentPage() + 1); }
void TQoPreviewForm::LastBtnClick() { viewer_->SetPage(viewer_->GetPageCount() - 1); }

void TQoPreviewForm::FileViewerChangePage() {
  const QString text = QString::number(viewer_->CurrentPage() + 1);
  // While the user clears the field to type another number, it stays empty.
  if (page_edit_->hasFocus() && page_edit_->text().isEmpty()) return;
  if (page_edit_->text() != text) page_edit_->setText(text);
}

void TQoPreviewForm::PageNumEditChange(const QString& text) {
  if (text.isEmpty()) return;
  int n = StrToIntDef(text.trimmed().toStdString(), 1) - 1;
  if (n != viewer_->CurrentPage()) viewer_->SetPage(n);
  FileViewerChangePage();
}

void TQoPreviewForm::ComboBox1Change(int index) {
  Guarded([&] { ApplyZoom(index); });
}

void TQoPreviewForm::ApplyZoom(int index) {
  if (index >= 0 && index < kFitItem) {
    viewer_->Zoom(kZoomPercents[index]);
  } else if (index == kFitItem) {
    viewer_->FitToPage(viewer_->viewport()->width(), viewer_->viewport()->height());
  }
  marker_->update();
}

void TQoPreviewForm::PrintBtnClick() {
  Guarded([this] {
    const int pages = viewer_->GetPageCount();
    QPrinter& printer = ReportPrinter();
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, std::max(pages, 1));
    dialog.setFromTo(1, std::max(pages, 1));
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    printer.setCopyCount(copies_);
    printer.setCollateCopies(collate_);
    if (!ExecPrintDialog(dialog)) return;
    copies_ = printer.copyCount();
    collate_ = printer.collateCopies();
    if (!printer.supportsMultipleCopies()) collate_ = true;
    int from = 1, to = pages;
    if (dialog.printRange() == QAbstractPrintDialog::PageRange && printer.fromPage() > 0) {
      from = printer.fromPage();
      to = printer.toPage();
    } else if (dialog.printRange() == QAbstractPrintDialog::CurrentPage) {
      from = to = viewer_->CurrentPage() + 1;
    }
    PrintPages(*viewer_, from - 1, to - 1, collate_, copies_);
  });
}

std::optional<std::string> TQoPreviewForm::AskTargetName(const std::string& filter, const std::string& defaultExt,
                                                         const std::string& suggested) {
  const std::filesystem::path current(viewer_->GetFileName());
  std::optional<std::string> name =
      UserInteraction().SaveFileDialog("", filter, current.parent_path().string(), suggested, defaultExt);
  if (!name || name->empty()) return std::nullopt;
  std::error_code ec;
  if (std::filesystem::exists(*name, ec)) {
    if (MessageDlg(Format(msg::SQoOverwriteFile, *name), TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes) {
      return std::nullopt;
    }
  }
  return name;
}

void TQoPreviewForm::SaveBtnClick() {
  Guarded([this] {
    const std::filesystem::path current(viewer_->GetFileName());
    std::optional<std::string> name = AskTargetName(msg::SQoPreviewSaveFilter, "", current.filename().string());
    if (!name) return;
    ClearHit();
    const std::string from = viewer_->GetFileName();
    errno = 0;
    const bool renamed = viewer_->Rename(*name);
    const int error = errno;
    UpdateCaption();
    // The viewer shows the file under its old name again; the user learns why.
    if (!renamed) {
      throw Exception(Format(msg::SQoOutputRename, from, *name,
                             error != 0 ? std::strerror(error) : "the file cannot be moved there"));
    }
  });
}

void TQoPreviewForm::PdfBtnClick() {
  Guarded([this] {
    if (!viewer_->IsLoaded()) return;
    const std::filesystem::path current(viewer_->GetFileName());
    std::optional<std::string> name =
        AskTargetName(msg::SQoPdfFilter, "pdf", current.stem().string() + ".pdf");
    if (!name) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
      WriteViewerPdf(viewer_->Model(), *name);
    } catch (...) {
      QApplication::restoreOverrideCursor();
      throw;
    }
    QApplication::restoreOverrideCursor();
    viewer_->viewport()->update();  // the export laid pages out on its own canvas
  });
}

void TQoPreviewForm::ExportBtnClick() {
  Guarded([this] { viewer_->Export(); });
}

void TQoPreviewForm::EditBtnClick() {
  Guarded([this] {
    ClearHit();
    try {
      viewer_->Edit();
    } catch (...) {
      UpdateCaption();
      throw;
    }
    UpdateCaption();
    FileViewerChangePage();
  });
}

void TQoPreviewForm::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const EUnexpectedQuestion&) {
    throw;  // a test's script ran out: let the test see it
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

// ---- keys ----------------------------------------------------------------------------------

bool TQoPreviewForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == find_edit_ || watched == page_edit_)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      // Enter in these fields finds or goes to the page; it does not press the default button.
      if (watched == find_edit_) FindNext(find_edit_->text().toStdString());
      else PageNumEditChange(page_edit_->text());
      return true;
    }
  }
  if (event->type() == QEvent::Resize) {
    if (watched == viewer_->viewport()) {
      marker_->setGeometry(viewer_->viewport()->rect());
    } else if (watched == viewer_ && viewer_->FitMode() && viewer_->IsLoaded()) {
      // A whole page stays a whole page when the window changes its size (once the viewer has
      // taken its new size).
      if (!refit_pending_) {
        refit_pending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
              refit_pending_ = false;
              if (!viewer_->FitMode()) return;
              viewer_->Zoom(kZoomPercents[0]);
              viewer_->FitToPage(viewer_->viewport()->width(), viewer_->viewport()->height());
            },
            Qt::QueuedConnection);
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace bexlo
