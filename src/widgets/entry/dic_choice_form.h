// TDicChoiceForm: the modal "Choice from the dictionary" window. A search grid over a query fills
// it; below it the "Choose" button (the default button) and Cancel. Double-clicking a row chooses
// it. The window applies its field map to the query's fields each time the query opens.
//
// DicChoice is the dictionary choice offered to report scripts (GetFromDictionary) through the
// Report_DicButton hook; InstallDicButtonHook puts it there.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "util/hooks.h"

class QPushButton;
class QWidget;

namespace bexlo {

class TDataSource;
class TQuery;
class TSearchDBGrid;
class TStrings;

class TDicChoiceForm : public QDialog {
  Q_OBJECT

 public:
  explicit TDicChoiceForm(QWidget* parent = nullptr);
  ~TDicChoiceForm() override;

  TSearchDBGrid* Grid() const noexcept { return grid_; }
  TQuery* Query() const noexcept { return query_.get(); }
  TDataSource* Source() const noexcept { return source_.get(); }
  QPushButton* ChooseButton() const noexcept { return choose_; }
  QPushButton* CancelButton() const noexcept { return cancel_; }
  QWidget* ButtonPanel() const noexcept { return panel_; }

  // The field map applied after the query opens (not owned; null: none). The text is copied.
  void SetFieldMap(const TStrings* map);
  void SetFieldMap(std::string_view mapText);

  // Runs a window modally through the current runner; the result is QDialog's.
  static int Execute(TDicChoiceForm& form);
  // Replaces how Execute runs the window (tests answer it without an event loop); null puts
  // exec() back. Returns the previous runner.
  using TModalRunner = std::function<int(TDicChoiceForm& form)>;
  static TModalRunner SetModalRunner(TModalRunner runner);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PlaceButtons();

  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TDataSource> source_;
  TSearchDBGrid* grid_ = nullptr;
  QWidget* panel_ = nullptr;
  QPushButton* choose_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::string field_map_;
  bool has_field_map_ = false;
  bool placed_ = false;
};

// The dictionary choice for report scripts: the window over params.SQL on params.DatabaseName;
// result is the chosen row's ResultField value (DicResultValue), or Null when nothing was chosen
// or no result field is named.
void DicChoice(const TDicChoiceParams& params, Variant& result);
// Installs DicChoice as Report_DicButton.
void InstallDicButtonHook();

}  // namespace bexlo
