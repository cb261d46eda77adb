#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QPrintDialog>
#include <QPrinter>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/output_widget_test_support.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/output/printing.h"
#include "widgets/reportui/edit_form.h"

namespace bexlo {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class EditFormTest : public test::OutputWidgetTest {
 protected:
  static void Type(TEditForm& form, const QString& text) {
    form.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(form.Editor(), text);
  }
  static QString Caption(const std::string& name) {
    return QString::fromStdString(Format(msg::SQoEditCaption, name, QApplication::applicationDisplayName().toStdString()));
  }
};

TEST_F(EditFormTest, IsTheEditHookAndHasTheFileMenu) {
  EXPECT_TRUE(IsHookInstalled(THook::Report_EditFile));
  EXPECT_EQ(Report_EditFile, &EditFile);
  TEditForm form;
  EXPECT_EQ(form.FileName(), "Untitled");
  EXPECT_EQ(form.windowTitle(), Caption("Untitled"));
  EXPECT_TRUE(form.PlainText());
  EXPECT_EQ(form.PlanarTextBox()->text(), "Planar text");
  const QList<QAction*> menus = form.MenuBar()->actions();
  ASSERT_GE(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), "&File");
  EXPECT_EQ(menus[1]->text(), "&Edit");
  QStringList items;
  for (QAction* action : menus[0]->menu()->actions()) {
    if (!action->isSeparator()) items << action->text();
  }
  EXPECT_EQ(items, (QStringList{"&New", "&Open...", "&Save", "Save &as", "Save se&lection", "&Print",
                                "Print se&tup...", "E&xit"}));
}

TEST_F(EditFormTest, LoadsAndSavesKeepingTheFilesLineEnds) {
  const std::string prn = WriteFile("out.prn", "line one\r\n^line two\r\n");
  const std::string txt = WriteFile("notes.txt", "unix\nlines\n");
  TEditForm form;
  form.LoadFromFile(prn);
  EXPECT_EQ(form.Editor()->toPlainText(), "line one\n^line two\n");
  EXPECT_EQ(form.FileName(), prn);
  EXPECT_EQ(form.windowTitle(), Caption("out.prn"));
  EXPECT_FALSE(form.Modified());
  Type(form, "three");
  EXPECT_TRUE(form.Modified());
  EXPECT_TRUE(form.FileSave());
  EXPECT_FALSE(form.Modified());
  EXPECT_EQ(ReadAll(prn), "line one\r\n^line two\r\nthree");

  form.LoadFromFile(txt);
  Type(form, "more");
  EXPECT_TRUE(form.FileSave());
  EXPECT_EQ(ReadAll(txt), "unix\nlines\nmore");

  // Text in the legacy code page is read as such.
  const std::string legacy = WriteFile("legacy.txt", std::string("\xC8\xF2\xEE\xE3\r\n"));
  form.LoadFromFile(legacy);
  EXPECT_EQ(form.Editor()->toPlainText(), QString::fromUtf8("Итог\n"));

  // A file that cannot be read: the error, and the editor keeps what it had.
  EXPECT_THROW(form.LoadFromFile(Path("missing.txt")), Exception);
  EXPECT_EQ(form.FileName(), legacy);
}

TEST_F(EditFormTest, SavingAnUntitledTextAsksForANameAndOverwritingAsksFirst) {
  const std::string existing = WriteFile("existing.txt", "old\n");
  TEditForm form;
  Type(form, "new text");
  TScriptedUserInteraction ui;
  // Save goes through Save as; an existing file and No: nothing is written.
  ui.AnswerSaveFile(existing);
  ui.AnswerMessage(mrNo);
  EXPECT_FALSE(form.FileSave());
  EXPECT_EQ(ReadAll(existing), "old\n");
  EXPECT_EQ(form.FileName(), "Untitled");
  EXPECT_TRUE(form.Modified());
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].caption, msg::SQoEditFilter);
  EXPECT_EQ(ui.Asked()[1].text, Format(msg::SQoOverwriteFile, existing));
  EXPECT_EQ(ui.Asked()[1].buttons, mbYesNoCancel);

  // Yes: written, the name becomes the file's, the text is no longer modified.
  ui.AnswerSaveFile(existing);
  ui.AnswerMessage(mrYes);
  EXPECT_TRUE(form.FileSave());
  EXPECT_EQ(ReadAll(existing), "new text");
  EXPECT_EQ(form.FileName(), existing);
  EXPECT_FALSE(form.Modified());
  EXPECT_EQ(form.windowTitle(), Caption("existing.txt"));

  // Save as a new name: no question.
  const std::string fresh = Path("fresh.prn");
  ui.AnswerSaveFile(fresh);
  EXPECT_TRUE(form.FileSaveAs());
  EXPECT_TRUE(ui.AllAnswered());
  // A new report file is written with CR LF line ends.
  EXPECT_EQ(form.FileName(), fresh);
}

TEST_F(EditFormTest, SaveSelectionWritesTheSelectionAndKeepsTheFile) {
  const std::string file = WriteFile("whole.txt", "alpha\r\nbeta\r\ngamma\r\n");
  TEditForm form;
  form.LoadFromFile(file);
  Type(form, "delta");
  QTextCursor cursor = form.Editor()->textCursor();
  cursor.setPosition(6);                                     // start of "beta"
  cursor.setPosition(16, QTextCursor::KeepAnchor);           // through "gamma"
  form.Editor()->setTextCursor(cursor);
  const std::string part = Path("part.txt");
  TScriptedUserInteraction ui;
  ui.AnswerSaveFile(part);
  EXPECT_TRUE(form.FileSaveSelection());
  EXPECT_EQ(ReadAll(part), "beta\r\ngamma");
  EXPECT_EQ(form.FileName(), file);
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(ReadAll(file), "alpha\r\nbeta\r\ngamma\r\n");
}

TEST_F(EditFormTest, ClosingOrOpeningAModifiedTextAsksToSaveIt) {
  const std::string file = WriteFile("memo.txt", "text\n");
  TEditForm form;
  form.show();
  form.LoadFromFile(file);
  Type(form, " changed");
  TScriptedUserInteraction ui;
  const std::string question = Format(msg::SQoSaveChanges, file);

  ui.AnswerMessage(mrCancel);  // closing: Cancel keeps the window
  form.reject();
  EXPECT_TRUE(form.isVisible());
  ui.AnswerMessage(mrCancel);  // opening another file: Cancel asks nothing more
  EXPECT_FALSE(form.FileOpen());
  ui.AnswerMessage(mrCancel);  // a new text: Cancel keeps this one
  EXPECT_FALSE(form.FileNew());
  EXPECT_EQ(form.FileName(), file);
  ASSERT_EQ(ui.Asked().size(), 3u);
  for (const auto& asked : ui.Asked()) {
    EXPECT_EQ(asked.text, question);
    EXPECT_EQ(asked.buttons, mbYesNoCancel);
  }

  ui.AnswerMessage(mrYes);  // Yes saves, then the window closes
  form.reject();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(ReadAll(file), "text\n changed");
  EXPECT_TRUE(form.Saved());

  // No: closes without saving.
  TEditForm other;
  other.show();
  other.LoadFromFile(file);
  Type(other, "!");
  ui.AnswerMessage(mrNo);
  QTest::keyClick(&other, Qt::Key_Escape);
  EXPECT_FALSE(other.isVisible());
  EXPECT_EQ(ReadAll(file), "text\n changed");
  EXPECT_FALSE(other.Saved());
  EXPECT_TRUE(ui.AllAnswered());

  // An unmodified text closes without a question.
  TEditForm quiet;
  quiet.show();
  quiet.LoadFromFile(file);
  quiet.reject();
  EXPECT_FALSE(quiet.isVisible());
}

TEST_F(EditFormTest, ClearingPlanarTextSwitchesToRichText) {
  TEditForm form;
  EXPECT_FALSE(form.Editor()->acceptRichText());
  form.PlanarTextBox()->click();
  EXPECT_FALSE(form.PlainText());
  EXPECT_TRUE(form.Editor()->acceptRichText());
  QTest::keyClicks(form.Editor(), "rich");
  form.Editor()->selectAll();
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  form.Editor()->mergeCurrentCharFormat(bold);
  const std::string file = Path("rich.html");
  TScriptedUserInteraction ui;
  ui.AnswerSaveFile(file);
  EXPECT_TRUE(form.FileSave());
  const std::string saved = ReadAll(file);
  EXPECT_NE(saved.find("<html>"), std::string::npos);
  EXPECT_NE(saved.find("font-weight"), std::string::npos);

  TEditForm reader;
  reader.SetPlainText(false);
  reader.LoadFromFile(file);
  EXPECT_EQ(reader.Editor()->toPlainText(), "rich");
  EXPECT_TRUE(reader.Editor()->document()->toHtml().contains("font-weight"));
}

TEST_F(EditFormTest, PrintsTheSelectionAsALineListOrTheWholeDocument) {
  const std::string pdf = Path("printed.pdf");
  ReportPrinter().setOutputFormat(QPrinter::PdfFormat);
  ReportPrinter().setOutputFileName(QString::fromStdString(pdf));
  TEditForm form;
  form.LoadFromFile(WriteFile("list.txt", "alpha line\nbeta line\ngamma line\n"));

  // No selection: the dialog offers none, the document is printed.
  QAbstractPrintDialog::PrintRange offered = QAbstractPrintDialog::Selection;
  bool selectionOption = true;
  form.ExecPrintDialog = [&](QPrintDialog& dialog) {
    offered = dialog.printRange();
    selectionOption = dialog.testOption(QAbstractPrintDialog::PrintSelection);
    return true;
  };
  form.FilePrint();
  EXPECT_EQ(offered, QAbstractPrintDialog::AllPages);
  EXPECT_FALSE(selectionOption);
  std::vector<std::string> pages = test::PdfPageTexts(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("alpha line"), std::string::npos);
  EXPECT_NE(pages[0].find("gamma line"), std::string::npos);

  // A selection: offered and chosen, only its lines are printed.
  QTextCursor cursor = form.Editor()->textCursor();
  cursor.setPosition(11);
  cursor.setPosition(20, QTextCursor::KeepAnchor);  // "beta line"
  form.Editor()->setTextCursor(cursor);
  form.FilePrint();
  EXPECT_EQ(offered, QAbstractPrintDialog::Selection);
  EXPECT_TRUE(selectionOption);
  pages = test::PdfPageTexts(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("beta line"), std::string::npos);
  EXPECT_EQ(pages[0].find("alpha"), std::string::npos);

  // A cancelled dialog prints nothing.
  std::filesystem::remove(pdf);
  form.ExecPrintDialog = [](QPrintDialog&) { return false; };
  form.FilePrint();
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(EditFormTest, TheHookShowsTheEditorModallyOnTheFile) {
  const std::string file = WriteFile("hook.prn", "abc\r\n");
  QString text;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* form = qobject_cast<TEditForm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    watch.stop();
    text = form->Editor()->toPlainText();
    form->Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->Editor(), "def");
    form->FileSave();
    form->reject();
  });
  watch.start(0);
  EXPECT_TRUE(Report_EditFile(file));
  EXPECT_EQ(text, "abc\n");
  EXPECT_EQ(ReadAll(file), "abc\r\ndef");

  // A file that cannot be read: the error in a box, no window.
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  EXPECT_FALSE(Report_EditFile(Path("missing.prn")));
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
}

}  // namespace
}  // namespace bexlo
