// The grid's column model: TUColumnTitle (a column's title), TUColumn (one column, bound to a data
// set field by name) and TUDBGridColumns (the collection a grid shows).
//
// Every value-carrying property of a column and its title is taken from the field or the grid
// until it is assigned; only assigned values are saved, and RestoreDefaults forgets them.
//
// The collection is in the default state while it holds only passthrough columns: those mirror
// the data set's fields and are rebuilt whenever the fields change. Adding a column of its own or
// setting the state to customised (RebuildColumns: one column per field, in field order) keeps
// the layout as it is until the application changes it.
//
// Saved layouts are JSON documents (see SaveToJson for the format). Loading checks the whole
// document before anything changes; a damaged or foreign file raises EGridColumnsError naming
// the file and what is wrong, and the grid keeps its columns. Files are written beside the target
// and renamed into place.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "util/exceptions.h"

namespace bexlo {

class TField;
class TDataSet;
class TUCustomDBGrid;
class TUColumn;
class TUDBGridColumns;

class EGridColumnsError : public Exception {
 public:
  using Exception::Exception;
};

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

class TUColumnTitle {
 public:
  explicit TUColumnTitle(TUColumn* column) : column_(column) {}

  // Caption lines are separated by "|". Default: the field's display label, else the field name.
  QString Caption() const;
  void SetCaption(const QString& caption);
  Qt::Alignment Alignment() const;
  void SetAlignment(Qt::Alignment alignment);
  // An invalid colour means the grid's header colour.
  QColor Color() const;
  void SetColor(const QColor& color);
  QFont Font() const;
  void SetFont(const QFont& font);

  QString DefaultCaption() const;
  bool IsCaptionStored() const noexcept { return caption_set_; }
  bool IsAlignmentStored() const noexcept { return alignment_set_; }
  bool IsColorStored() const noexcept { return color_set_; }
  bool IsFontStored() const noexcept { return font_set_; }
  void RestoreDefaults();
  void Assign(const TUColumnTitle& source);

 private:
  friend class TUDBGridColumns;
  void Changed();

  TUColumn* column_;
  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignLeft;
  QColor color_;
  QFont font_;
  bool caption_set_ = false, alignment_set_ = false, color_set_ = false, font_set_ = false;
};

class TUColumn {
 public:
  explicit TUColumn(TUDBGridColumns* collection, bool passthrough = false);
  TUColumn(const TUColumn&) = delete;
  TUColumn& operator=(const TUColumn&) = delete;

  TUDBGridColumns* Collection() const noexcept { return collection_; }
  TUCustomDBGrid* Grid() const;
  // Mirrors a field while the collection is in the default state.
  bool IsPassthrough() const noexcept { return passthrough_; }
  int Index() const;

  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(const std::string& name);
  // The field of the open data set named FieldName (null when there is none).
  TField* Field() const;

  TUColumnTitle& Title() noexcept { return title_; }
  const TUColumnTitle& Title() const noexcept { return title_; }

  // Pixels. Default: the width of "0" in the column font times the field's display width plus 4;
  // the grid's default column width without a field; 64 without a grid.
  int Width() const;
  void SetWidth(int width);
  Qt::Alignment Alignment() const;
  void SetAlignment(Qt::Alignment alignment);
  // An invalid colour means the grid's base colour.
  QColor Color() const;
  void SetColor(const QColor& color);
  QFont Font() const;
  void SetFont(const QFont& font);
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  TColumnButtonStyle ButtonStyle() const noexcept { return button_style_; }
  void SetButtonStyle(TColumnButtonStyle style);
  int DropDownRows() const noexcept { return drop_down_rows_; }
  void SetDropDownRows(int rows);
  const QStringList& PickList() const noexcept { return pick_list_; }
  void SetPickList(const QStringList& list);

  int DefaultWidth() const;
  bool IsWidthStored() const noexcept { return width_set_; }
  bool IsAlignmentStored() const noexcept { return alignment_set_; }
  bool IsColorStored() const noexcept { return color_set_; }
  bool IsFontStored() const noexcept { return font_set_; }
  bool IsReadOnlyStored() const noexcept { return read_only_set_; }
  // Forgets every assigned value of the column and its title.
  void RestoreDefaults();
  void Assign(const TUColumn& source);

  // For the title and the collection.
  void Changed();

 private:
  friend class TUDBGridColumns;

  TUDBGridColumns* collection_;
  bool passthrough_;
  std::string field_name_;
  TUColumnTitle title_;
  int width_ = 0;
  Qt::Alignment alignment_ = Qt::AlignLeft;
  QColor color_;
  QFont font_;
  bool read_only_ = false;
  bool width_set_ = false, alignment_set_ = false, color_set_ = false, font_set_ = false,
       read_only_set_ = false;
  TColumnButtonStyle button_style_ = TColumnButtonStyle::cbsAuto;
  int drop_down_rows_ = 7;
  QStringList pick_list_;
};

enum class TDBGridColumnsState { csDefault, csCustomized };

class TUDBGridColumns {
 public:
  // The layout format written by SaveToJson; LoadFromJson reads this version and older ones.
  static constexpr int kFormatVersion = 1;
  static constexpr const char* kFormatName = "bexlo-grid-columns";

  explicit TUDBGridColumns(TUCustomDBGrid* grid) : grid_(grid) {}
  TUDBGridColumns(const TUDBGridColumns&) = delete;
  TUDBGridColumns& operator=(const TUDBGridColumns&) = delete;
  ~TUDBGridColumns();

  TUCustomDBGrid* Grid() const noexcept { return grid_; }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TUColumn* Items(int index) const;
  TUColumn* operator[](int index) const { return Items(index); }
  // Appends a column of the application's own: the collection becomes customised.
  TUColumn* Add();
  void Delete(int index);
  void Clear();
  // Moves a column to another position.
  void Move(int from, int to);
  int IndexOf(const TUColumn* column) const;

  TDBGridColumnsState State() const;
  // Customised: RebuildColumns; default: the columns mirror the fields again.
  void SetState(TDBGridColumnsState state);
  void RestoreDefaults();
  // One customised column per field of the grid's data set, in field order.
  void RebuildColumns();
  // Copies the columns of source (values, titles, order).
  void Assign(const TUDBGridColumns& source);

  // ---- saved layouts ----------------------------------------------------------------------------
  // The layout as a JSON document:
  //   { "format": "bexlo-grid-columns", "version": 1,
  //     "columns": [ { "fieldName": "NAME",
  //                    "width": 120, "alignment": "left"|"right"|"center", "color": "#rrggbb",
  //                    "font": "<QFont::toString()>", "readOnly": true, "buttonStyle":
  //                    "auto"|"ellipsis"|"none", "dropDownRows": 7, "pickList": ["a", "b"],
  //                    "title": { "caption": "Name|of customer", "alignment": ..., "color": ...,
  //                               "font": ... } }, ... ] }
  // Only assigned values are written; a missing member means "as the field or grid has it".
  QByteArray SaveToJson() const;
  // Reads a layout written by SaveToJson; `source` names it in error messages. Raises
  // EGridColumnsError and changes nothing when the document is damaged.
  void LoadFromJson(const QByteArray& json, const std::string& source = "stream");
  void SaveToStream(std::ostream& stream) const;
  void LoadFromStream(std::istream& stream);
  // Written beside the target and renamed into place (an earlier file survives a failure).
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);

  // ---- for the grid -----------------------------------------------------------------------------
  // A change of one column (or, with null, of the whole collection) reaches the grid.
  void Update(TUColumn* column);
  // Default state: rebuilds the passthrough columns from the data set's fields.
  void FieldsChanged();

 private:
  friend class TUColumn;
  TUCustomDBGrid* grid_;
  std::vector<std::unique_ptr<TUColumn>> items_;
  int updating_ = 0;
};

}  // namespace bexlo
