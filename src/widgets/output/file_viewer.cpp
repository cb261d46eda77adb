#include "widgets/output/file_viewer.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <limits>

#include "output/export_link.h"
#include "widgets/output/printing.h"
#include "widgets/output/qt_canvas.h"

namespace bexlo {

namespace {

int ClampToInt(std::int64_t v) noexcept {
  return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max()));
}

// What a scroll-bar action means to the model.
bool ScrollCodeOf(int action, TScrollCode& code) noexcept {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = TScrollCode::scLineUp; return true;
    case QAbstractSlider::SliderSingleStepAdd: code = TScrollCode::scLineDown; return true;
    case QAbstractSlider::SliderPageStepSub: code = TScrollCode::scPageUp; return true;
    case QAbstractSlider::SliderPageStepAdd: code = TScrollCode::scPageDown; return true;
    case QAbstractSlider::SliderToMinimum: code = TScrollCode::scTop; return true;
    case QAbstractSlider::SliderToMaximum: code = TScrollCode::scBottom; return true;
    case QAbstractSlider::SliderMove: code = TScrollCode::scTrack; return true;
    default: return false;
  }
}

}  // namespace

class TFileViewer::Private {
 public:
  explicit Private(TFileViewer* q) : q(q) {}

  void Bind() {
    model.OnChangePage = [this](TObject*) { q->ChangePage(); };
    model.OnInvalidate = [this](TObject*) { Invalidate(); };
  }

  // Scroll ranges and positions from the model, then a repaint.
  void Invalidate() {
    SyncScrollBars();
    q->viewport()->update();
  }

  void SyncScrollBars() {
    const bool was = syncing;
    syncing = true;
    const TFileViewerModel::TMax max = model.GetMax();
    QScrollBar* h = q->horizontalScrollBar();
    QScrollBar* v = q->verticalScrollBar();
    h->setRange(0, ClampToInt(max.X));
    v->setRange(0, ClampToInt(max.Top));
    h->setSingleStep(std::max(model.HorzStep() / 10, 1));
    h->setPageStep(std::max(model.HorzStep(), 1));
    v->setSingleStep(1);
    v->setPageStep(std::max(ClampToInt(model.VisibleLines()), 1));
    if (h->value() != model.LeftPos()) h->setValue(model.LeftPos());
    if (v->value() != model.TopLine()) v->setValue(ClampToInt(model.TopLine()));
    syncing = was;
  }

  void ScrollAction(TScrollBarKind kind, QScrollBar* bar, int action) {
    TScrollCode code;
    if (!ScrollCodeOf(action, code)) return;
    syncing = true;  // the bar's own move is replaced by the model's
    model.Scroll(kind, code, bar->sliderPosition());
    syncing = false;
    bar->setSliderPosition(kind == TScrollBarKind::sbHorizontal ? model.LeftPos()
                                                                 : ClampToInt(model.TopLine()));
  }

  // The client area: the viewport, less the margins of a fitted page.
  void UpdateClientSize() {
    model.SetClientSize(q->viewport()->width(), q->viewport()->height());
  }

  TFileViewer* q;
  TFileViewerModel model;
  TQtCanvas screen;
  bool syncing = false;
};

TFileViewer::TFileViewer(QWidget* parent) : QAbstractScrollArea(parent), d(std::make_unique<Private>(this)) {
  d->Bind();
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::StyledPanel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setBackgroundRole(QPalette::Dark);
  connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { d->ScrollAction(TScrollBarKind::sbHorizontal, horizontalScrollBar(), action); });
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { d->ScrollAction(TScrollBarKind::sbVertical, verticalScrollBar(), action); });
  d->UpdateClientSize();
  d->SyncScrollBars();
}

TFileViewer::~TFileViewer() {
  d->model.OnChangePage = nullptr;
  d->model.OnInvalidate = nullptr;
}

TFileViewerModel& TFileViewer::Model() noexcept { return d->model; }
const TFileViewerModel& TFileViewer::Model() const noexcept { return d->model; }

// ---- file ------------------------------------------------------------------------------------

std::string TFileViewer::FileName() const { return d->model.FileName(); }
void TFileViewer::SetFileName(const std::string& name) { d->model.SetFileName(name); }
std::string TFileViewer::GetFileName() const { return d->model.GetFileName(); }
TPrinterOrientation TFileViewer::Orientation() const noexcept { return d->model.Orientation(); }
void TFileViewer::SetOrientation(TPrinterOrientation orientation) noexcept { d->model.SetOrientation(orientation); }

void TFileViewer::LoadFile() {
  setViewportMargins(0, 0, 0, 0);
  d->UpdateClientSize();
  try {
    d->model.LoadFile();
  } catch (...) {
    d->Invalidate();
    throw;
  }
  d->Invalidate();
}

void TFileViewer::Clear() noexcept {
  d->model.Clear();
  d->Invalidate();
}

bool TFileViewer::IsLoaded() const noexcept { return d->model.IsLoaded(); }

bool TFileViewer::Rename(const std::string& newName) {
  const bool renamed = d->model.Rename(newName);
  d->Invalidate();
  return renamed;
}

void TFileViewer::Edit() {
  d->model.Edit();
  d->Invalidate();
}

void TFileViewer::Assign(const TFileViewer* source) {
  if (source == nullptr) {
    d->model.Assign(nullptr);
    OnChangePage = nullptr;
  } else if (source != this) {
    d->model.Assign(&source->d->model);
    OnChangePage = source->OnChangePage;
    setViewportMargins(source->viewportMargins());
  }
  d->Bind();
  d->UpdateClientSize();
  d->Invalidate();
}

// ---- pages and position ----------------------------------------------------------------------

int TFileViewer::GetPageCount() const noexcept { return d->model.GetPageCount(); }
int TFileViewer::GetPageNum(std::int64_t line) const noexcept { return d->model.GetPageNum(line); }
int TFileViewer::CurrentPage() const noexcept { return d->model.CurrentPage(); }
void TFileViewer::SetPage(int n) { d->model.SetPage(n); }

void TFileViewer::ChangePage() {
  if (OnChangePage) OnChangePage(&d->model);
  emit pageChanged(d->model.CurrentPage());
}

int TFileViewer::LeftPos() const noexcept { return d->model.LeftPos(); }
std::int64_t TFileViewer::TopLine() const noexcept { return d->model.TopLine(); }
int TFileViewer::HorzStep() const noexcept { return d->model.HorzStep(); }
std::int64_t TFileViewer::VisibleLines() const noexcept { return d->model.VisibleLines(); }
void TFileViewer::SetCurrent(std::int64_t x, std::int64_t top) { d->model.SetCurrent(x, top); }

// ---- zoom ------------------------------------------------------------------------------------

double TFileViewer::Scale() const noexcept { return d->model.Scale(); }
bool TFileViewer::FitMode() const noexcept { return d->model.FitMode(); }

void TFileViewer::Zoom(int percent) {
  setViewportMargins(0, 0, 0, 0);
  d->UpdateClientSize();
  d->model.Zoom(percent);
  d->Invalidate();
}

void TFileViewer::FitToPage(int width, int height) {
  TFitResult fit = d->model.FitToPage(width, height);
  if (!fit.Done) return;
  // The page's shape centred in the area; the rest of the widget shows the background.
  const QMargins margins = viewportMargins();
  const int right = std::max(viewport()->width() + margins.left() + margins.right() - fit.Left - fit.ClientWidth, 0);
  const int bottom = std::max(viewport()->height() + margins.top() + margins.bottom() - fit.Top - fit.ClientHeight, 0);
  setViewportMargins(fit.Left, fit.Top, right, bottom);
  d->model.SetClientSize(fit.ClientWidth, fit.ClientHeight);
  d->Invalidate();
}

// ---- output ----------------------------------------------------------------------------------

void TFileViewer::Print(int fromPage, int toPage) { Print(ReportPrinter(), fromPage, toPage); }

void TFileViewer::Print(QPrinter& printer, int fromPage, int toPage) {
  d->model.Printer().SetOrientation(d->model.Orientation());
  PreparePrinter(printer, d->model.Printer());
  TQtPrintCanvas canvas(printer, PrinterTitle(printer));
  d->model.Print(canvas, fromPage, toPage);
}

void TFileViewer::Print(TPrintCanvas& canvas, int fromPage, int toPage) {
  d->model.Print(canvas, fromPage, toPage);
}

void TFileViewer::Export() { ExportToWordProcessor(d->model); }

// ---- events ----------------------------------------------------------------------------------

void TFileViewer::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  d->screen.SetPainter(&painter);
  d->screen.SetClip({0, 0, viewport()->width(), viewport()->height()});
  d->model.Paint(d->screen);
  d->screen.SetPainter(nullptr);
  // VisibleLines changed with the paint: the vertical page step follows it.
  QScrollBar* v = verticalScrollBar();
  const int page = std::max(ClampToInt(d->model.VisibleLines()), 1);
  if (v->pageStep() != page) v->setPageStep(page);
}

void TFileViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (!d->model.FitMode()) d->UpdateClientSize();
  d->SyncScrollBars();
}

void TFileViewer::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  TViewerKey key;
  switch (event->key()) {
    case Qt::Key_PageUp: key = TViewerKey::vkPageUp; break;
    case Qt::Key_PageDown: key = TViewerKey::vkPageDown; break;
    case Qt::Key_Home: key = TViewerKey::vkHome; break;
    case Qt::Key_End: key = TViewerKey::vkEnd; break;
    case Qt::Key_Left: key = TViewerKey::vkLeft; break;
    case Qt::Key_Right: key = TViewerKey::vkRight; break;
    case Qt::Key_Up: key = TViewerKey::vkUp; break;
    case Qt::Key_Down: key = TViewerKey::vkDown; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  d->model.KeyDown(key, ctrl);
  event->accept();
}

void TFileViewer::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  QAbstractScrollArea::mousePressEvent(event);
}

void TFileViewer::scrollContentsBy(int, int) {
  // Positions come from the model; a bar moved from outside (setValue) moves the model.
  if (d->syncing) return;
  d->model.SetCurrent(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

bool TFileViewer::viewportEvent(QEvent* event) { return QAbstractScrollArea::viewportEvent(event); }

}  // namespace bexlo
