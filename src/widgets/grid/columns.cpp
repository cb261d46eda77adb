#include "widgets/grid/columns.h"

#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>
#include <istream>
#include <iterator>
#include <ostream>

#include "db/dataset.h"
#include "db/field.h"
#include "util/format.h"
#include "util/messages.h"
#include "widgets/grid/db_grid.h"

namespace bexlo {

namespace {

Qt::Alignment FieldAlignment(const TField* field) {
  if (field == nullptr) return Qt::AlignLeft;
  switch (field->Alignment()) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

QString AlignmentName(Qt::Alignment a) {
  if (a & Qt::AlignRight) return QStringLiteral("right");
  if (a & Qt::AlignHCenter) return QStringLiteral("center");
  return QStringLiteral("left");
}

}  // namespace

// ---- TUColumnTitle ------------------------------------------------------------------------------

QString TUColumnTitle::DefaultCaption() const {
  if (TField* f = column_->Field()) return QString::fromStdString(f->DisplayLabel());
  return QString::fromStdString(column_->FieldName());
}

QString TUColumnTitle::Caption() const { return caption_set_ ? caption_ : DefaultCaption(); }

void TUColumnTitle::SetCaption(const QString& caption) {
  if (caption_set_ && caption_ == caption) return;
  caption_ = caption;
  caption_set_ = true;
  Changed();
}

Qt::Alignment TUColumnTitle::Alignment() const {
  return alignment_set_ ? alignment_ : Qt::Alignment(Qt::AlignLeft);
}

void TUColumnTitle::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  alignment_set_ = true;
  Changed();
}

QColor TUColumnTitle::Color() const { return color_set_ ? color_ : QColor(); }

void TUColumnTitle::SetColor(const QColor& color) {
  color_ = color;
  color_set_ = true;
  Changed();
}

QFont TUColumnTitle::Font() const {
  if (font_set_) return font_;
  if (TUCustomDBGrid* g = column_->Grid()) return g->TitleFont();
  return QFont();
}

void TUColumnTitle::SetFont(const QFont& font) {
  font_ = font;
  font_set_ = true;
  Changed();
}

void TUColumnTitle::RestoreDefaults() {
  const bool any = caption_set_ || alignment_set_ || color_set_ || font_set_;
  caption_set_ = alignment_set_ = color_set_ = font_set_ = false;
  caption_.clear();
  if (any) Changed();
}

void TUColumnTitle::Assign(const TUColumnTitle& s) {
  caption_ = s.caption_;
  alignment_ = s.alignment_;
  color_ = s.color_;
  font_ = s.font_;
  caption_set_ = s.caption_set_;
  alignment_set_ = s.alignment_set_;
  color_set_ = s.color_set_;
  font_set_ = s.font_set_;
  Changed();
}

void TUColumnTitle::Changed() { column_->Changed(); }

// ---- TUColumn -----------------------------------------------------------------------------------

TUColumn::TUColumn(TUDBGridColumns* collection, bool passthrough)
    : collection_(collection), passthrough_(passthrough), title_(this) {}

TUCustomDBGrid* TUColumn::Grid() const { return collection_ != nullptr ? collection_->Grid() : nullptr; }

int TUColumn::Index() const { return collection_ != nullptr ? collection_->IndexOf(this) : -1; }

void TUColumn::SetFieldName(const std::string& name) {
  if (field_name_ == name) return;
  field_name_ = name;
  Changed();
}

TField* TUColumn::Field() const {
  TUCustomDBGrid* g = Grid();
  if (g == nullptr || field_name_.empty()) return nullptr;
  TDataSet* ds = g->DataSet();
  if (ds == nullptr || ds->FieldCount() == 0) return nullptr;
  return ds->FindField(field_name_);
}

int TUColumn::DefaultWidth() const {
  TUCustomDBGrid* g = Grid();
  if (g == nullptr) return 64;
  TField* f = Field();
  if (f == nullptr) return g->DefaultColumnWidth();
  const QFontMetrics fm(Font());
  int w = fm.horizontalAdvance(QLatin1Char('0')) * std::max(1, f->DisplayWidth()) + 4;
  // A title wider than the data keeps its first line readable.
  const QString first = Title().Caption().section(QLatin1Char('|'), 0, 0);
  w = std::max(w, QFontMetrics(Title().Font()).horizontalAdvance(first) + 10);
  return std::min(w, 360);
}

int TUColumn::Width() const { return width_set_ ? width_ : DefaultWidth(); }

void TUColumn::SetWidth(int width) {
  if (width_set_ && width_ == width) return;
  width_ = std::max(0, width);
  width_set_ = true;
  Changed();
}

Qt::Alignment TUColumn::Alignment() const { return alignment_set_ ? alignment_ : FieldAlignment(Field()); }

void TUColumn::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  alignment_set_ = true;
  Changed();
}

QColor TUColumn::Color() const { return color_set_ ? color_ : QColor(); }

void TUColumn::SetColor(const QColor& color) {
  color_ = color;
  color_set_ = true;
  Changed();
}

QFont TUColumn::Font() const {
  if (font_set_) return font_;
  if (TUCustomDBGrid* g = Grid()) return g->font();
  return QFont();
}

void TUColumn::SetFont(const QFont& font) {
  font_ = font;
  font_set_ = true;
  Changed();
}

bool TUColumn::ReadOnly() const {
  if (read_only_set_) return read_only_;
  if (TField* f = Field()) return f->ReadOnly;
  return false;
}

void TUColumn::SetReadOnly(bool value) {
  read_only_ = value;
  read_only_set_ = true;
  Changed();
}

void TUColumn::SetButtonStyle(TColumnButtonStyle style) {
  button_style_ = style;
  Changed();
}

void TUColumn::SetDropDownRows(int rows) {
  drop_down_rows_ = rows;
  Changed();
}

void TUColumn::SetPickList(const QStringList& list) {
  pick_list_ = list;
  Changed();
}

void TUColumn::RestoreDefaults() {
  if (collection_ != nullptr) ++collection_->updating_;
  width_set_ = alignment_set_ = color_set_ = font_set_ = read_only_set_ = false;
  title_.RestoreDefaults();
  if (collection_ != nullptr) --collection_->updating_;
  Changed();
}

void TUColumn::Assign(const TUColumn& s) {
  if (collection_ != nullptr) ++collection_->updating_;
  field_name_ = s.field_name_;
  width_ = s.width_;
  alignment_ = s.alignment_;
  color_ = s.color_;
  font_ = s.font_;
  read_only_ = s.read_only_;
  width_set_ = s.width_set_;
  alignment_set_ = s.alignment_set_;
  color_set_ = s.color_set_;
  font_set_ = s.font_set_;
  read_only_set_ = s.read_only_set_;
  button_style_ = s.button_style_;
  drop_down_rows_ = s.drop_down_rows_;
  pick_list_ = s.pick_list_;
  title_.Assign(s.title_);
  if (collection_ != nullptr) --collection_->updating_;
  Changed();
}

void TUColumn::Changed() {
  if (collection_ != nullptr) collection_->Update(this);
}

// ---- TUDBGridColumns ----------------------------------------------------------------------------

TUDBGridColumns::~TUDBGridColumns() { ++updating_; }

TUColumn* TUDBGridColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(msg::SListIndexError, index));
  return items_[static_cast<std::size_t>(index)].get();
}

TUColumn* TUDBGridColumns::Add() {
  // The first column of the application's own replaces the mirrored ones.
  if (State() == TDBGridColumnsState::csDefault) items_.clear();
  items_.push_back(std::make_unique<TUColumn>(this));
  Update(nullptr);
  return items_.back().get();
}

void TUDBGridColumns::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
  Update(nullptr);
}

void TUDBGridColumns::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Update(nullptr);
}

void TUDBGridColumns::Move(int from, int to) {
  Items(from);
  Items(to);
  if (from == to) return;
  auto col = std::move(items_[static_cast<std::size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(col));
  if (State() == TDBGridColumnsState::csDefault) {
    // Moving a mirrored column is a customisation: the columns become the grid's own.
    for (auto& c : items_) c->passthrough_ = false;
  }
  Update(nullptr);
}

int TUDBGridColumns::IndexOf(const TUColumn* column) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == column) return static_cast<int>(i);
  }
  return -1;
}

TDBGridColumnsState TUDBGridColumns::State() const {
  for (const auto& c : items_) {
    if (!c->IsPassthrough()) return TDBGridColumnsState::csCustomized;
  }
  return TDBGridColumnsState::csDefault;
}

void TUDBGridColumns::SetState(TDBGridColumnsState state) {
  if (state == State()) return;
  if (state == TDBGridColumnsState::csCustomized) {
    RebuildColumns();
  } else {
    items_.clear();
    FieldsChanged();
  }
}

void TUDBGridColumns::RestoreDefaults() {
  ++updating_;
  for (auto& c : items_) c->RestoreDefaults();
  --updating_;
  Update(nullptr);
}

void TUDBGridColumns::RebuildColumns() {
  ++updating_;
  items_.clear();
  TDataSet* ds = grid_ != nullptr ? grid_->DataSet() : nullptr;
  if (ds != nullptr) {
    for (TField* f : ds->Fields()) {
      auto c = std::make_unique<TUColumn>(this);
      c->field_name_ = f->FieldName();
      items_.push_back(std::move(c));
    }
  }
  --updating_;
  Update(nullptr);
}

void TUDBGridColumns::FieldsChanged() {
  if (State() == TDBGridColumnsState::csCustomized) {
    Update(nullptr);
    return;
  }
  ++updating_;
  items_.clear();
  TDataSet* ds = grid_ != nullptr ? grid_->DataSet() : nullptr;
  if (ds != nullptr && ds->Active()) {
    for (TField* f : ds->Fields()) {
      if (!f->Visible()) continue;
      auto c = std::make_unique<TUColumn>(this, true);
      c->field_name_ = f->FieldName();
      items_.push_back(std::move(c));
    }
  }
  --updating_;
  Update(nullptr);
}

void TUDBGridColumns::Assign(const TUDBGridColumns& source) {
  if (&source == this) return;
  ++updating_;
  items_.clear();
  for (const auto& s : source.items_) {
    auto c = std::make_unique<TUColumn>(this, s->IsPassthrough());
    c->Assign(*s);
    items_.push_back(std::move(c));
  }
  --updating_;
  Update(nullptr);
}

void TUDBGridColumns::Update(TUColumn* column) {
  if (updating_ > 0 || grid_ == nullptr) return;
  grid_->ColumnsChanged(column);
}

// ---- saved layouts --------------------------------------------------------------------------------

namespace {

QJsonObject TitleToJson(const TUColumnTitle& t) {
  QJsonObject o;
  if (t.IsCaptionStored()) o[QStringLiteral("caption")] = t.Caption();
  if (t.IsAlignmentStored()) o[QStringLiteral("alignment")] = AlignmentName(t.Alignment());
  if (t.IsColorStored()) o[QStringLiteral("color")] = t.Color().name(QColor::HexArgb);
  if (t.IsFontStored()) o[QStringLiteral("font")] = t.Font().toString();
  return o;
}

[[noreturn]] void Damaged(const std::string& source, const QString& what) {
  throw EGridColumnsError(Format(msg::SGridColumnsDamaged, source, what.toStdString()));
}

Qt::Alignment ReadAlignment(const QJsonValue& v, const std::string& source, const QString& where) {
  const QString s = v.toString();
  if (s == QLatin1String("left")) return Qt::AlignLeft;
  if (s == QLatin1String("right")) return Qt::AlignRight;
  if (s == QLatin1String("center")) return Qt::AlignHCenter;
  Damaged(source, where + QStringLiteral(": alignment must be \"left\", \"right\" or \"center\""));
}

QColor ReadColor(const QJsonValue& v, const std::string& source, const QString& where) {
  const QColor c = QColor::fromString(v.toString());
  if (!v.isString() || !c.isValid()) Damaged(source, where + QStringLiteral(": colour is not a colour name"));
  return c;
}

QFont ReadFont(const QJsonValue& v, const std::string& source, const QString& where) {
  QFont f;
  if (!v.isString() || !f.fromString(v.toString())) {
    Damaged(source, where + QStringLiteral(": font is not a font description"));
  }
  return f;
}

void CheckKeys(const QJsonObject& o, std::initializer_list<const char*> known, const std::string& source,
               const QString& where) {
  for (auto it = o.begin(); it != o.end(); ++it) {
    bool ok = false;
    for (const char* k : known) ok = ok || it.key() == QLatin1String(k);
    if (!ok) Damaged(source, where + QStringLiteral(": unknown member \"%1\"").arg(it.key()));
  }
}

}  // namespace

QByteArray TUDBGridColumns::SaveToJson() const {
  QJsonArray cols;
  for (const auto& c : items_) {
    QJsonObject o;
    o[QStringLiteral("fieldName")] = QString::fromStdString(c->FieldName());
    if (c->IsWidthStored()) o[QStringLiteral("width")] = c->Width();
    if (c->IsAlignmentStored()) o[QStringLiteral("alignment")] = AlignmentName(c->Alignment());
    if (c->IsColorStored()) o[QStringLiteral("color")] = c->Color().name(QColor::HexArgb);
    if (c->IsFontStored()) o[QStringLiteral("font")] = c->Font().toString();
    if (c->IsReadOnlyStored()) o[QStringLiteral("readOnly")] = c->ReadOnly();
    if (c->ButtonStyle() != TColumnButtonStyle::cbsAuto) {
      o[QStringLiteral("buttonStyle")] =
          c->ButtonStyle() == TColumnButtonStyle::cbsEllipsis ? QStringLiteral("ellipsis") : QStringLiteral("none");
    }
    if (c->DropDownRows() != 7) o[QStringLiteral("dropDownRows")] = c->DropDownRows();
    if (!c->PickList().isEmpty()) o[QStringLiteral("pickList")] = QJsonArray::fromStringList(c->PickList());
    const QJsonObject t = TitleToJson(c->Title());
    if (!t.isEmpty()) o[QStringLiteral("title")] = t;
    cols.append(o);
  }
  QJsonObject root;
  root[QStringLiteral("format")] = QLatin1String(kFormatName);
  root[QStringLiteral("version")] = kFormatVersion;
  root[QStringLiteral("columns")] = cols;
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void TUDBGridColumns::LoadFromJson(const QByteArray& json, const std::string& source) {
  QJsonParseError err{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
  if (err.error != QJsonParseError::NoError) {
    Damaged(source, QStringLiteral("%1 at byte %2").arg(err.errorString()).arg(err.offset));
  }
  if (!doc.isObject()) Damaged(source, QStringLiteral("the document is not a JSON object"));
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormatName)) {
    Damaged(source, QStringLiteral("it is not a grid column layout (\"format\" is not \"%1\")").arg(kFormatName));
  }
  const QJsonValue version = root.value(QStringLiteral("version"));
  // Range first: a number beyond int (1e75) has no int to compare with.
  const double versionNumber = version.toDouble();
  if (!version.isDouble() || !(versionNumber >= 1 && versionNumber <= 1e6) || versionNumber != std::floor(versionNumber)) {
    Damaged(source, QStringLiteral("\"version\" is not a positive whole number"));
  }
  if (version.toInt() > kFormatVersion) {
    Damaged(source, QString::fromStdString(Format(msg::SGridColumnsVersion, version.toInt(), kFormatVersion)));
  }
  const QJsonValue colsValue = root.value(QStringLiteral("columns"));
  if (!colsValue.isArray()) Damaged(source, QStringLiteral("\"columns\" is not a list"));

  // Everything is read into a detached collection first, so that a damaged entry changes nothing.
  TUDBGridColumns loaded(nullptr);
  const QJsonArray cols = colsValue.toArray();
  for (qsizetype i = 0; i < cols.size(); ++i) {
    const QString where = QStringLiteral("column %1").arg(i + 1);
    if (!cols[i].isObject()) Damaged(source, where + QStringLiteral(" is not an object"));
    const QJsonObject o = cols[i].toObject();
    CheckKeys(o, {"fieldName", "width", "alignment", "color", "font", "readOnly", "buttonStyle", "dropDownRows",
                  "pickList", "title"},
              source, where);
    const QJsonValue name = o.value(QStringLiteral("fieldName"));
    if (!name.isString()) Damaged(source, where + QStringLiteral(": \"fieldName\" is missing"));
    auto c = std::make_unique<TUColumn>(&loaded);
    c->field_name_ = name.toString().toStdString();
    if (o.contains(QStringLiteral("width"))) {
      const QJsonValue w = o.value(QStringLiteral("width"));
      const double d = w.toDouble(-1);
      if (!w.isDouble() || d < 0 || d > 100000 || d != static_cast<int>(d)) {
        Damaged(source, where + QStringLiteral(": width must be a whole number of pixels"));
      }
      c->width_ = static_cast<int>(d);
      c->width_set_ = true;
    }
    if (o.contains(QStringLiteral("alignment"))) {
      c->alignment_ = ReadAlignment(o.value(QStringLiteral("alignment")), source, where);
      c->alignment_set_ = true;
    }
    if (o.contains(QStringLiteral("color"))) {
      c->color_ = ReadColor(o.value(QStringLiteral("color")), source, where);
      c->color_set_ = true;
    }
    if (o.contains(QStringLiteral("font"))) {
      c->font_ = ReadFont(o.value(QStringLiteral("font")), source, where);
      c->font_set_ = true;
    }
    if (o.contains(QStringLiteral("readOnly"))) {
      if (!o.value(QStringLiteral("readOnly")).isBool()) Damaged(source, where + QStringLiteral(": readOnly is not true or false"));
      c->read_only_ = o.value(QStringLiteral("readOnly")).toBool();
      c->read_only_set_ = true;
    }
    if (o.contains(QStringLiteral("buttonStyle"))) {
      const QString s = o.value(QStringLiteral("buttonStyle")).toString();
      if (s == QLatin1String("auto")) c->button_style_ = TColumnButtonStyle::cbsAuto;
      else if (s == QLatin1String("ellipsis")) c->button_style_ = TColumnButtonStyle::cbsEllipsis;
      else if (s == QLatin1String("none")) c->button_style_ = TColumnButtonStyle::cbsNone;
      else Damaged(source, where + QStringLiteral(": unknown buttonStyle"));
    }
    if (o.contains(QStringLiteral("dropDownRows"))) {
      const double d = o.value(QStringLiteral("dropDownRows")).toDouble(-1);
      if (d < 0 || d > 1000 || d != static_cast<int>(d)) Damaged(source, where + QStringLiteral(": dropDownRows is out of range"));
      c->drop_down_rows_ = static_cast<int>(d);
    }
    if (o.contains(QStringLiteral("pickList"))) {
      const QJsonValue pl = o.value(QStringLiteral("pickList"));
      if (!pl.isArray()) Damaged(source, where + QStringLiteral(": pickList is not a list"));
      for (const QJsonValue& v : pl.toArray()) {
        if (!v.isString()) Damaged(source, where + QStringLiteral(": pickList holds a value that is not text"));
        c->pick_list_.append(v.toString());
      }
    }
    if (o.contains(QStringLiteral("title"))) {
      const QJsonValue tv = o.value(QStringLiteral("title"));
      if (!tv.isObject()) Damaged(source, where + QStringLiteral(": title is not an object"));
      const QJsonObject t = tv.toObject();
      const QString tw = where + QStringLiteral(" title");
      CheckKeys(t, {"caption", "alignment", "color", "font"}, source, tw);
      TUColumnTitle& title = c->title_;
      if (t.contains(QStringLiteral("caption"))) {
        if (!t.value(QStringLiteral("caption")).isString()) Damaged(source, tw + QStringLiteral(": caption is not text"));
        title.caption_ = t.value(QStringLiteral("caption")).toString();
        title.caption_set_ = true;
      }
      if (t.contains(QStringLiteral("alignment"))) {
        title.alignment_ = ReadAlignment(t.value(QStringLiteral("alignment")), source, tw);
        title.alignment_set_ = true;
      }
      if (t.contains(QStringLiteral("color"))) {
        title.color_ = ReadColor(t.value(QStringLiteral("color")), source, tw);
        title.color_set_ = true;
      }
      if (t.contains(QStringLiteral("font"))) {
        title.font_ = ReadFont(t.value(QStringLiteral("font")), source, tw);
        title.font_set_ = true;
      }
    }
    loaded.items_.push_back(std::move(c));
  }
  Assign(loaded);
}

void TUDBGridColumns::SaveToStream(std::ostream& stream) const {
  const QByteArray json = SaveToJson();
  stream.write(json.constData(), json.size());
  if (!stream) throw EInOutError(msg::SWriteError);
}

void TUDBGridColumns::LoadFromStream(std::istream& stream) {
  std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  LoadFromJson(QByteArray::fromStdString(data), "stream");
}

void TUDBGridColumns::SaveToFile(const std::string& fileName) const {
  QSaveFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::WriteOnly)) {
    throw EInOutError(Format(msg::SFCreateError, fileName, file.errorString().toStdString()));
  }
  const QByteArray json = SaveToJson();
  if (file.write(json) != json.size() || !file.commit()) {
    throw EInOutError(Format(msg::SFCreateError, fileName, file.errorString().toStdString()));
  }
}

void TUDBGridColumns::LoadFromFile(const std::string& fileName) {
  QFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::ReadOnly)) {
    throw EInOutError(Format(msg::SFOpenError, fileName, file.errorString().toStdString()));
  }
  LoadFromJson(file.readAll(), fileName);
}

}  // namespace bexlo
