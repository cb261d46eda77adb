// TDBEditLink: makes an edit box data-aware. It shows a field of a data source's current record
// in a QLineEdit or a QPlainTextEdit, and writes what the user types (or what a program puts
// into the box, such as a dictionary button's choice) back into the field, putting the data set
// into edit state first. Text that does not fit the field yet (half a date) stays in the box and
// is written when the record is posted, where the conversion error is raised. The link belongs
// to the edit box (its Qt parent) and forgets the data source when either goes away.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace bexlo {

class TDataSource;
class TField;
class TFieldDataLink;

class TDBEditLink : public QObject {
  Q_OBJECT
 public:
  TDBEditLink(QLineEdit* edit, TDataSource* source, std::string fieldName);
  TDBEditLink(QPlainTextEdit* memo, TDataSource* source, std::string fieldName);
  ~TDBEditLink() override;

  // The field shown (null while the data set is closed or has no such field).
  TField* Field() const;
  // Reads the field into the box again, dropping input not yet written.
  void Reset();

 private:
  void Init(TDataSource* source, std::string fieldName);
  QString BoxText() const;
  void ShowField();
  void BoxChanged();
  void WriteField(bool raise);

  QPointer<QLineEdit> edit_;
  QPointer<QPlainTextEdit> memo_;
  std::unique_ptr<TFieldDataLink> link_;
  bool showing_ = false;  // the box is being filled from the field
  bool writing_ = false;  // the field is being written from the box
};

}  // namespace bexlo
