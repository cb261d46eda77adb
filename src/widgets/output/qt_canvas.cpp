#include "widgets/output/qt_canvas.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QStandardPaths>

#include <array>
#include <cmath>
#include <mutex>

#include "output/printer_model.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

int FaceIndex(TFontFamily family, bool bold, bool italic) noexcept {
  return static_cast<int>(family) * 4 + (bold ? 1 : 0) + (italic ? 2 : 0);
}

// The path of a face's font file.
QString FontFilePath(const char* fontName) {
  const QString file = QString::fromLatin1(fontName) + QStringLiteral(".ttf");
  QStringList dirs;
  if (QByteArray dir = qgetenv("BEXLO_FONT_DIR"); !dir.isEmpty()) dirs << QString::fromLocal8Bit(dir);
  dirs << QStringLiteral("/usr/share/fonts/truetype/liberation")
       << QStringLiteral("/usr/share/fonts/truetype/liberation2")
       << QStringLiteral("/usr/share/fonts/liberation")
       << QStringLiteral("/usr/share/fonts/liberation-fonts")
       << QStringLiteral("/usr/local/share/fonts");
  dirs << QStandardPaths::standardLocations(QStandardPaths::FontsLocation);
  for (const QString& dir : dirs) {
    QString path = dir + QLatin1Char('/') + file;
    if (QFileInfo(path).isFile()) return path;
  }
  throw EInOutError(Format(msg::SQoFontMissing, fontName));
}

struct TFace {
  QString Path;
  QString Family;  // as the font database knows it, empty when it is not registered there
};

// The faces, registered with the application's font database when there is a GUI application:
// a font of the database carries its file, so that Qt's PDF engine can embed it.
const TFace& Face(int index) {
  static std::array<TFace, 12> faces;
  static std::array<std::once_flag, 12> found;
  std::call_once(found[static_cast<std::size_t>(index)], [index] {
    TFace& face = faces[static_cast<std::size_t>(index)];
    face.Path = FontFilePath(kFaceMetrics[index].FontName);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
      const int id = QFontDatabase::addApplicationFont(face.Path);
      const QStringList families = QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) face.Family = families.front();
    }
  });
  return faces[static_cast<std::size_t>(index)];
}

}  // namespace

const QByteArray& LiberationFontData(TFontFamily family, bool bold, bool italic) {
  static std::array<QByteArray, 12> data;
  static std::array<std::once_flag, 12> loaded;
  const int index = FaceIndex(family, bold, italic);
  std::call_once(loaded[static_cast<std::size_t>(index)], [&] {
    const TFace& face = Face(index);
    QFile file(face.Path);
    if (file.open(QIODevice::ReadOnly)) data[static_cast<std::size_t>(index)] = file.readAll();
    if (data[static_cast<std::size_t>(index)].isEmpty()) {
      throw EInOutError(Format(msg::SQoFontMissing, kFaceMetrics[index].FontName));
    }
  });
  return data[static_cast<std::size_t>(index)];
}

// ---- TQtCanvas -------------------------------------------------------------------------------

TQtCanvas::TQtCanvas(QPainter* painter, const TRect& clip) : painter_(painter), clip_(clip) {}

TQtCanvas::~TQtCanvas() = default;

const QRawFont& TQtCanvas::RawFont() {
  if (raw_font_valid_) return raw_font_;
  const TFont& font = Font();
  const bool bold = (font.Style() & fsBold) != 0;
  const bool italic = (font.Style() & fsItalic) != 0;
  const int face = FaceIndex(font.Family(), bold, italic);
  const int pixels = std::max(font.PixelSize(), 1);
  const std::uint32_t key = (static_cast<std::uint32_t>(face) << 20) | static_cast<std::uint32_t>(pixels & 0xFFFFF);
  auto it = raw_fonts_.find(key);
  if (it == raw_fonts_.end()) {
    // Drawn at the pixel size the tables measure with, so outlines and advances agree. A font
    // of the database where there is one (the PDF engine embeds it), else the file's data.
    QRawFont raw;
    if (const TFace& registered = Face(face); !registered.Family.isEmpty()) {
      QFont qfont(registered.Family);
      qfont.setPixelSize(pixels);
      qfont.setWeight(bold ? QFont::Bold : QFont::Normal);
      qfont.setItalic(italic);
      qfont.setKerning(false);
      qfont.setHintingPreference(QFont::PreferNoHinting);
      qfont.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferMatch));
      raw = QRawFont::fromFont(qfont);
      if (!raw.isValid() || raw.familyName() != registered.Family || (raw.weight() >= QFont::Bold) != bold ||
          (raw.style() != QFont::StyleNormal) != italic) {
        raw = QRawFont();
      }
    }
    if (!raw.isValid()) raw = QRawFont(LiberationFontData(font.Family(), bold, italic), pixels, QFont::PreferNoHinting);
    it = raw_fonts_.emplace(key, std::move(raw)).first;
  }
  raw_font_ = it->second;
  raw_font_valid_ = true;
  return raw_font_;
}

QGlyphRun TQtCanvas::GlyphRun(int x, int y, std::string_view text) {
  const TFont& font = Font();
  const QRawFont& raw = RawFont();
  const double baseline = y + font.Ascent();
  const bool clipped = clip_.Right > clip_.Left;
  QString chars = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QList<quint32> indexes = raw.glyphIndexesForString(chars);

  glyphs_.clear();
  positions_.clear();
  std::int64_t px = x;
  std::size_t pos = 0;
  qsizetype glyph = 0;
  while (pos < text.size()) {
    const char32_t cp = Utf8Decode(text, pos);
    const quint32 index = glyph < indexes.size() ? indexes[glyph] : 0;
    ++glyph;
    // Control characters take their width but show nothing.
    if (cp >= 0x20 && cp != 0x7F) {
      glyphs_.append(index);
      positions_.append(QPointF(static_cast<double>(px), baseline));
    }
    px += font.CharWidth(cp);
    if (clipped && px > clip_.Right) break;
  }
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(glyphs_);
  run.setPositions(positions_);
  run.setUnderline((font.Style() & fsUnderline) != 0);
  run.setStrikeOut((font.Style() & fsStrikeOut) != 0);
  return run;
}

void TQtCanvas::FillRect(const TRect& rect, TColor color) {
  if (painter_ == nullptr) return;
  painter_->fillRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                     ToQColor(color));
}

void TQtCanvas::TextOut(int x, int y, std::string_view text) {
  if (painter_ == nullptr || text.empty()) return;
  QGlyphRun run = GlyphRun(x, y, text);
  if (run.glyphIndexes().isEmpty()) return;
  painter_->setPen(Qt::black);
  painter_->drawGlyphRun(QPointF(0, 0), run);
}

void TQtCanvas::Line(TPoint from, TPoint to, TColor color, int penWidth) {
  if (painter_ == nullptr) return;
  painter_->setPen(QPen(ToQColor(color), std::max(penWidth, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter_->drawLine(QPoint(from.X, from.Y), QPoint(to.X, to.Y));
}

void TQtCanvas::Polyline(std::span<const TPoint> points, TColor color, int penWidth) {
  if (painter_ == nullptr || points.empty()) return;
  QPolygon polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const TPoint& p : points) polygon.append(QPoint(p.X, p.Y));
  painter_->setPen(QPen(ToQColor(color), std::max(penWidth, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter_->drawPolyline(polygon);
}

// ---- TQtPrintCanvas --------------------------------------------------------------------------

TQtPrintCanvas::TQtPrintCanvas(QPagedPaintDevice& device, std::string name)
    : device_(device), name_(std::move(name)) {}

TQtPrintCanvas::~TQtPrintCanvas() {
  if (open_) painter_.end();
}

void TQtPrintCanvas::Open() {
  if (!painter_.begin(&device_)) throw EInOutError(Format(msg::SQoPrintStart, name_));
  open_ = true;
  docs_ = 0;
  pages_ = 1;
  // A model pixel is 1/PrinterDPI inch whatever the device's resolution.
  const int dpi = EffectivePrinterDPI();
  const double factor = static_cast<double>(device_.logicalDpiX()) / dpi;
  // The device puts the page's origin at its margins rounded to whole points; the model
  // measures from the exact corner of the printable area.
  const QPageLayout layout = device_.pageLayout();
  const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
  const QRect rounded = layout.paintRectPixels(device_.logicalDpiX());
  painter_.translate(margins.left() / 25.4 * device_.logicalDpiX() - rounded.left(),
                     margins.top() / 25.4 * device_.logicalDpiY() - rounded.top());
  if (std::abs(factor - 1.0) > 1e-9) painter_.scale(factor, static_cast<double>(device_.logicalDpiY()) / dpi);
  SetPainter(&painter_);
  SetClip({0, 0, static_cast<int>(std::lround(device_.width() / factor)),
           static_cast<int>(std::lround(device_.height() / factor))});
}

void TQtPrintCanvas::Close() {
  if (!open_) return;
  open_ = false;
  SetPainter(nullptr);
  painter_.end();
}

void TQtPrintCanvas::BeginJob() {
  if (open_) return;
  Open();
  job_ = true;
}

void TQtPrintCanvas::EndJob() {
  job_ = false;
  Close();
}

void TQtPrintCanvas::BeginDoc() {
  if (!open_) Open();
  if (docs_++ > 0) NewPage();
}

void TQtPrintCanvas::NewPage() {
  if (!open_) return;
  device_.newPage();
  ++pages_;
}

void TQtPrintCanvas::EndDoc() {
  if (!job_) Close();
}

}  // namespace bexlo
