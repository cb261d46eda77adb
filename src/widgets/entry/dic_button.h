// TCustomDicButton / TDicButton: the small "+" button placed beside an edit box that holds a code
// from a dictionary (a table of codes and their descriptions).
//
// Clicking the button, or pressing the keypad "+" inside the linked edit box (no "+" is typed),
// opens the modal "Choice from the dictionary" window over the GridSQL query; choosing a row
// writes its RefField into the edit box and its TextField into the linked label. Whenever the code
// changes other than by typing, and when the edit box is entered or left with a new code, the
// button reads the description with LabelSQL (whose first parameter receives the code, typed as
// ParamType) and shows it in the label; a code the query does not find shows "???". With Required
// set, leaving the edit box with such a code is refused: the message "Invalid value" and the
// focus back in the edit box.
//
// The button watches the edit box through an event filter and its textChanged signal; the edit
// box's own handlers keep working. A data-aware edit box (a QLineEdit with a TDBEditLink) works
// the same way: the description follows the current record, and a chosen code goes into the
// field. A linked edit box or label that is destroyed is forgotten.
#pragma once

#include <QToolButton>
#include <functional>
#include <memory>
#include <string>

#include "db/field_types.h"

class QLabel;
class QLineEdit;

namespace bexlo {

class TDataSet;
class TDicChoiceForm;
class TQuery;
class TStringList;
class TStrings;

// May rewrite the code text before it is put into the edit box.
using TDicLinkEditChangedEvent = std::function<void(QObject* sender, std::string& text)>;
// May rewrite the description before the label shows it; query is the open description or choice
// query.
using TDicLinkLabelChangedEvent = std::function<void(QObject* sender, TDataSet* query, std::string& text)>;
// Called with the choice or description query after it opened.
using TDicGetParamsEvent = std::function<void(QObject* sender, TDataSet* dataSet)>;
// Called after the button filled the query's parameters, before it opens.
using TDicSetParamsEvent = std::function<void(QObject* sender, TQuery* query)>;

class TCustomDicButton : public QToolButton {
  Q_OBJECT

 public:
  explicit TCustomDicButton(QWidget* parent = nullptr);
  ~TCustomDicButton() override;

  // ---- properties -----------------------------------------------------------------------------
  QLabel* LinkLabel() const;
  void SetLinkLabel(QLabel* label);
  QLineEdit* LinkEdit() const;
  void SetLinkEdit(QLineEdit* edit);
  // The choice query's field written to the edit box, and the one written to the label.
  const std::string& RefField() const;
  void SetRefField(std::string name);
  const std::string& TextField() const;
  void SetTextField(std::string name);
  // Lines "NAME = title[, width]" naming the columns the choice window shows.
  TStringList& FieldMap();
  const TStringList& FieldMap() const;
  void SetFieldMap(const TStrings& lines);
  // The choice query.
  TStringList& GridSQL();
  const TStringList& GridSQL() const;
  void SetGridSQL(const TStrings& lines);
  // The description query; it must have at least one parameter (the code).
  TStringList& LabelSQL();
  const TStringList& LabelSQL() const;
  void SetLabelSQL(const TStrings& lines);
  // Title rows of the choice grid (2); a negative value raises "Grid index out of range".
  int TitleRows() const;
  void SetTitleRows(int rows);
  const std::string& DatabaseName() const;
  void SetDatabaseName(std::string name);
  // A code the description query does not find may not be left in the edit box.
  bool Required() const;
  void SetRequired(bool value);
  // Whether the choice grid offers its search functions (true).
  bool SearchInUse() const;
  void SetSearchInUse(bool value);
  // Caption of the choice window; empty keeps "Choice from the dictionary".
  const std::string& FormTitle() const;
  void SetFormTitle(std::string title);
  // Size of the choice window (560 x 370); values below 240 are raised to 240.
  int FormWidth() const;
  void SetFormWidth(int width);
  int FormHeight() const;
  void SetFormHeight(int height);
  // Data type of the description query's first parameter (ftString).
  TFieldType ParamType() const;
  void SetParamType(TFieldType type);
  // Whether the caption or the font differ from the default face ("+", Liberation Sans 19 bold).
  bool IsCaptionStored() const;
  bool IsFontStored() const;
  // The button's default font.
  static QFont DefaultFont();

  // ---- events -----------------------------------------------------------------------------------
  TDicLinkEditChangedEvent OnLinkEditChanged;
  TDicLinkLabelChangedEvent OnLinkLabelChanged;
  TDicGetParamsEvent OnGetParams;
  TDicSetParamsEvent OnSetParams;

  // ---- operations -------------------------------------------------------------------------------
  // Maps the edit text to the value compared with the last code read (the text unchanged).
  virtual std::string GetLast(const std::string& text) const;
  // Fills the description query's first parameter from the code text, then raises OnSetParams.
  virtual void SetQueryParams(TQuery& query, const std::string& text);
  // Raises OnGetParams with an open query.
  virtual void GetQueryParams(TDataSet* dataSet);
  // Runs the choice window (TDicChoiceForm::Execute); true when a row was chosen. Needs GridSQL
  // and DatabaseName (else false and nothing opens).
  virtual bool ChoiceFromDic();
  // result = text, then OnLinkLabelChanged may rewrite it.
  virtual void GetLabelValue(TDataSet* query, const std::string& text, std::string& result);

  // The code in the linked edit box ("" without one), and writing it (also stores it as the last
  // code, so that the write reads no description).
  std::string GetText() const;
  void SetText(const std::string& text);

  // Reads the description of the current code into the label now (needs LinkLabel, DatabaseName
  // and LabelSQL; nothing happens while the label or a parent below the window is hidden).
  void RefreshLabel();
  // The code of the last description read or written, and whether it was found.
  const std::string& LastCode() const;
  bool LastCodeFound() const;

  // What the button does when the linked edit box is entered, changes or is left. The event
  // filter calls these and shows their errors; they are public so that hosts with their own
  // edit controls can drive them. EditExit raises "Invalid value" for a required unknown code
  // (after putting the focus back).
  void EditEnter();
  void EditChange();
  void EditExit();
  // The keypad "+": opens the choice as a click does.
  void KeypadPlus();

  // Square, as high as the linked edit box (the tool button's own hint without one).
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

  // Copies every property and event of another button; null resets them to the defaults of a
  // fresh button, except FormWidth and FormHeight (240) and SearchInUse (false).
  void Assign(const TCustomDicButton* source);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Clicked();
  // The linked label or edit box is being destroyed: the link is dropped. (A widget emits
  // destroyed from QWidget's destructor, when it is no longer a QLabel or QLineEdit: these never
  // look at the typed pointer.)
  void LabelDestroyed();
  void EditDestroyed();
  // Runs one of the edit-box handlers, showing what it raises.
  template <typename F>
  void Guarded(F&& handler);

  struct Private;
  std::unique_ptr<Private> d;
};

// The dictionary button as applications place it.
class TDicButton : public TCustomDicButton {
  Q_OBJECT

 public:
  using TCustomDicButton::TCustomDicButton;
};

}  // namespace bexlo
