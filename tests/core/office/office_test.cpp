#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "automation/office_servers.h"
#include "automation/ole_object_list.h"
#include "automation/word_document.h"
#include "office_test_support.h"
#include "report/office_export.h"
#include "report/ole_link.h"
#include "report_functions_test_support.h"
#include "util/exceptions.h"
#include "util/ui_services.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

// Each test starts without running office applications and with the built-in servers.
class OfficeTest : public ReportFunctionsTest {
 protected:
  void SetUp() override {
    ReportFunctionsTest::SetUp();
    Reset();
  }
  void TearDown() override {
    Reset();
    ReportFunctionsTest::TearDown();
  }
  static void Reset() {
    RegisterOfficeServers();
    RevokeActiveObject(ExcelClassId());
    RevokeActiveObject(WordClassId());
    TOLELink::ReleaseApplications();
    OleObjects().Clear();
    OfficeFileName.clear();
    OfficeSourceName.clear();
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Leftovers of writing beside a target (".NAME.XXXXXX").
  int HiddenFiles() const {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename().string().starts_with(".")) ++n;
    return n;
  }
};

// ---- the document model ----------------------------------------------------------------------

TEST(WordDocumentTest, CountsPositionsAsTheWordProcessorDoes) {
  TWordDocument doc;
  EXPECT_EQ(doc.Length(), 1);  // the final mark
  TWordPos tail{1, 1};
  doc.Attach(&tail);
  EXPECT_EQ(doc.InsertText(doc.Length(), "abc"), 3);  // in front of the final mark
  EXPECT_EQ(doc.Text(0, doc.Length()), "abc\r");
  EXPECT_EQ(tail.Start, 4);  // behind the insertion point: moved
  EXPECT_EQ(doc.InsertParagraph(3), 1);
  EXPECT_EQ(doc.InsertText(5, "d\r\ne\x01" "f"), 4);  // CR LF is one new paragraph; SOH dropped
  EXPECT_EQ(doc.Text(0, doc.Length()), "abc\rd\ref\r");
  EXPECT_EQ(doc.ParagraphCount(), 3);

  doc.ChangeFormat(1, 4, [](TWordCharFormat& f) { f.Bold = true; });  // "bc" and the first mark
  EXPECT_FALSE(doc.FormatAt(0).Bold);
  EXPECT_TRUE(doc.FormatAt(1).Bold);
  EXPECT_TRUE(doc.FormatAt(3).Bold);
  EXPECT_FALSE(doc.FormatAt(4).Bold);
  doc.InsertText(3, "x");  // takes the format of the character before it
  EXPECT_TRUE(doc.FormatAt(3).Bold);
  doc.InsertText(0, "y");  // at a paragraph's start: the format of its mark
  EXPECT_TRUE(doc.FormatAt(0).Bold);
  doc.InsertText(6, "z");  // the second paragraph's mark has the default format
  EXPECT_FALSE(doc.FormatAt(6).Bold);
  doc.Delete(6, 7);

  doc.Delete(4, 7);  // "x", the mark and "d": the paragraphs join
  EXPECT_EQ(doc.Text(0, doc.Length()), "yabc\ref\r");
  EXPECT_EQ(tail.Start, doc.Length());
  doc.Detach(&tail);

  // A table in front of the last paragraph: four cells and two row marks.
  const std::int64_t before = doc.Length();
  TWordDocument::TTable* table = doc.AddTable(5, 2, 2);
  EXPECT_EQ(doc.Length(), before + 6);
  doc.SetCellText(*table, 1, 0, "A1\r\nB");
  EXPECT_EQ(doc.CellText(*table, 1, 0), "A1\vB");
  EXPECT_EQ(doc.CellStart(*table, 1, 0), 5 + 3);
  doc.AddTableRow(*table);
  EXPECT_EQ(table->Rows.size(), 3u);
  EXPECT_EQ(doc.Text(5, 5 + 3 + 5), "\a\a\r\aA1\vB\a");
  EXPECT_EQ(doc.TableCount(), 1);

  const std::string xml = doc.DocumentXml();
  EXPECT_EQ(Count(xml, "<w:tbl>"), 1);
  EXPECT_EQ(Count(xml, "<w:tr>"), 3);
  EXPECT_NE(xml.find("A1</w:t><w:br/><w:t xml:space=\"preserve\">B</w:t>"), std::string::npos);
}

TEST(WordDocumentTest, WritesAPackageThatHoldsEveryPart) {
  TWordDocument doc;
  doc.InsertText(0, "Fish & <chips> \xff");  // a byte that is not UTF-8 is replaced
  const std::string package = doc.SaveToMemory();
  ASSERT_GT(package.size(), 100u);
  EXPECT_EQ(package.substr(0, 2), "PK");
  const std::string xml = doc.DocumentXml();
  EXPECT_NE(xml.find("Fish &amp; &lt;chips&gt; \xEF\xBF\xBD"), std::string::npos);
}

// ---- the export of an output file ----------------------------------------------------------------

TEST_F(OfficeTest, ExportWritesParagraphsFontsPageBreaksAndOrientation) {
  const std::string prn = Path("out.prn");
  WriteFile(prn,
            "\\F33:16Title\r\n"              // Times New Roman bold 16
            "\\F17:0Mono bold \\F0:12plain\r\n"  // Courier New bold; then code 0 (never applied)
            "\\F255:10\r\n"                  // only a sequence: no paragraph
            "a\\b \\Fx:1 c\r\n"              // not sequences: kept as text
            "^Second page\r\n"
            "the last line never starts a page\r\n");
  ExportOutputToDocx(prn, Path("out.docx"), TPrinterOrientation::poLandscape);
  ASSERT_TRUE(fs::exists(Path("out.docx")));
  const std::string xml = ZipPart(Path("out.docx"), "word/document.xml");
  EXPECT_EQ(Count(xml, "<w:p>"), 5);
  EXPECT_NE(xml.find(">Title</w:t>"), std::string::npos);
  EXPECT_NE(xml.find(">a\\b \\Fx:1 c</w:t>"), std::string::npos);
  EXPECT_EQ(Count(xml, "<w:pageBreakBefore/>"), 1);
  EXPECT_LT(xml.find("Liberation Serif\"/><w:b/><w:bCs/><w:sz w:val=\"32\"/>"), xml.find(">Title<"));
  EXPECT_NE(xml.find("Liberation Mono\"/><w:b/><w:bCs/><w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr>"
                     "<w:t xml:space=\"preserve\">Mono bold </w:t>"),
            std::string::npos);
  // Font code 0 is never applied: that text takes the font applied next (Courier New 10).
  EXPECT_NE(xml.find("Liberation Mono\"/><w:sz w:val=\"20\"/><w:szCs w:val=\"20\"/></w:rPr>"
                     "<w:t xml:space=\"preserve\">plain</w:t>"),
            std::string::npos);
  EXPECT_NE(xml.find("w:orient=\"landscape\""), std::string::npos);
  EXPECT_NE(xml.find("<w:pgSz w:w=\"16838\" w:h=\"11906\""), std::string::npos);
  EXPECT_NE(xml.find("w:top=\"264\" w:right=\"331\" w:bottom=\"285\" w:left=\"288\""), std::string::npos);
  EXPECT_EQ(HiddenFiles(), 0);
}

TEST_F(OfficeTest, AFailureToSaveShowsTheGuardsMessageAndKeepsTheEarlierFile) {
  TScriptedUserInteraction ui;
  const std::string prn = Path("out.prn");
  std::string text;
  for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " of a longer export\r\n";
  WriteFile(prn, text);

  // A directory that does not exist.
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(ExportOutputToDocx(prn, Path("missing/out.docx")), EAbort);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text.rfind("Error in OLE application: Cannot save the document " + Path("missing/out.docx"), 0), 0u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(ui.Asked()[0].buttons, mbOK);
  EXPECT_FALSE(TOLELink::CachedApplication(TOLELink::okWord));  // the next link reconnects

  // A full disk, as a file-size limit shows it: the earlier document stays whole.
  WriteFile(Path("out.docx"), "earlier");
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 2048;
  auto previous = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(ExportOutputToDocx(prn, Path("out.docx")), EAbort);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_NE(ui.Asked()[1].text.find("File too large"), std::string::npos) << ui.Asked()[1].text;
  EXPECT_EQ(ReadFile(Path("out.docx")), "earlier");
  EXPECT_EQ(HiddenFiles(), 0);

  ExportOutputToDocx(prn, Path("out.docx"));  // and with room it is written
  EXPECT_EQ(Count(ZipPart(Path("out.docx"), "word/document.xml"), "<w:p>"), 400);
  EXPECT_TRUE(ui.AllAnswered());
}

// ---- links, servers and the guard --------------------------------------------------------------

TEST_F(OfficeTest, LinksShareTheRunningApplicationAndRefuseUnknownKinds) {
  int started = 0;
  RegisterOleServer(kWordProgId, WordClassId(), [&] {
    ++started;
    return CreateWordApplication();
  });
  {
    TOLELink first(nullptr, "WORD");
    TOLELink second(nullptr, "WORD");
    EXPECT_TRUE(TOLELink::CachedApplication(TOLELink::okWord));
  }
  TOLELink::ReleaseApplications();
  TOLELink third(nullptr, "WORD");  // attaches to the running instance
  EXPECT_EQ(started, 1);

  try {
    TOLELink wrong(nullptr, "word");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Incorrect type of OLE application");
  }
}

// A host's own spreadsheet server that fails on its third cell.
class FailingCells : public TAutoObject {
 public:
  explicit FailingCells(int* calls) {
    AddMember("Application", [this](unsigned, std::span<OleVariant>, OleVariant* r) { *r = OleVariant::FromDispatch(DispatchPtr(this)); });
    AddMember("Workbooks", [this](unsigned, std::span<OleVariant>, OleVariant* r) { *r = OleVariant::FromDispatch(DispatchPtr(this)); });
    AddMember("Add", [this](unsigned, std::span<OleVariant>, OleVariant* r) { if (r) *r = OleVariant::FromDispatch(DispatchPtr(this)); });
    AddMember("Sheets", [this](unsigned, std::span<OleVariant> args, OleVariant* r) {
      *r = args.empty() ? OleVariant::FromDispatch(DispatchPtr(this)) : OleVariant::FromDispatch(DispatchPtr(this));
    });
    AddMember("Count", [](unsigned, std::span<OleVariant>, OleVariant* r) { *r = OleVariant::FromInteger(1); });
    AddMember("Cells", [this, calls](unsigned, std::span<OleVariant>, OleVariant* r) {
      if (++*calls == 3) throw EOleError("the disk is full");
      *r = OleVariant::FromDispatch(DispatchPtr(this));
    });
    AddMember("NumberFormat", [](unsigned, std::span<OleVariant>, OleVariant*) {});
    AddMember("Value", [](unsigned, std::span<OleVariant>, OleVariant*) {});
  }
};

TEST_F(OfficeTest, AnErrorMidDocumentIsShownOnceAndEndsTheRunSilently) {
  int calls = 0;
  RegisterOleServer(kExcelProgId, ExcelClassId(), [&] { return MakeDispatch<FailingCells>(&calls); });
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(Prepare(".VARS\n"
                       "A := 1\n"
                       "L := OpenOLE('excel')\n"
                       "AddVarsOLE(L, A)\n"
                       "AddRecordOLE(L)\n"
                       "AddRecordOLE(L)\n"),
               EAbort);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Error in OLE application: the disk is full");
  EXPECT_FALSE(TOLELink::CachedApplication(TOLELink::okExcel));
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(fs::exists(Path("out.xlsx")));
}

TEST_F(OfficeTest, AMemberTheServerDoesNotKnowIsNamed) {
  Prepare(".VARS\nX := CreateOLEObject('Word.Application')\nD := X.Documents.Add\n");
  try {
    report_->FormatSource().SetText(".VARS\nX := CreateOLEObject('Word.Application')\nX.Frobnicate\n");
    report_->Prepare();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Word.Application: the Application object has no member FROBNICATE");
  }
  try {
    report_->FormatSource().SetText(".VARS\nX := CreateOLEObject('Calc.Application')\n");
    report_->Prepare();
    FAIL();
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Message(), "Invalid class string");
  }
}

TEST_F(OfficeTest, ScriptsDriveTheServersThroughTheirObjectModels) {
  const std::string docx = Path("script.docx");
  const std::string xlsx = Path("script.xlsx");
  Prepare(".VARS\n"
          "#W := CreateOLEObject('Word.Application'); D := W.Documents.Add; R := D.Content;\n"
          "#R.InsertAfter('Hello'); R.InsertParagraphAfter; R.InsertAfter('world');\n"
          "#R.Font.Bold := TRUE; R.Font.Size := 14; D.PageSetup.Orientation := 1;\n"
          "#N := D.Paragraphs.Count; T := D.Range(0, 5).Text; E := R.End; B := D.Range(7, 8).Font.Bold;\n"
          "#D.SaveAs('" + docx + "');\n"
          "#X := CreateOLEObject('Excel.Application'); K := X.Workbooks.Add; S := K.Sheets(1);\n"
          "#S.Name := 'Orders'; S.Cells(2, 3).Value := '0042'; S.Cells(2, 4).NumberFormat := '@';\n"
          "#S.Cells(2, 4).Value := '0042'; S.Cells(1, 1).Value := 1.25; S.Cells(1, 1).Font.Bold := TRUE;\n"
          "#V := S.Cells(2, 3).Value; F := S.Cells(2, 4).NumberFormat; C := K.Sheets.Count;\n"
          "#K.SaveAs('" + xlsx + "');\n");
  EXPECT_EQ(Var("N").GetNumber(), 2);
  EXPECT_EQ(Var("T").GetString(), "Hello");
  EXPECT_EQ(Var("E").GetNumber(), 12);  // "Hello", a mark, "world", the final mark
  EXPECT_TRUE(Var("B").GetBoolean());
  EXPECT_EQ(Var("V").GetNumber(), 42);  // a General cell reads the number out of the text
  EXPECT_EQ(Var("F").GetString(), "@");
  EXPECT_EQ(Var("C").GetNumber(), 1);
  const std::string xml = ZipPart(docx, "word/document.xml");
  EXPECT_NE(xml.find("<w:b/><w:bCs/><w:sz w:val=\"28\"/><w:szCs w:val=\"28\"/></w:rPr><w:t xml:space=\"preserve\">Hello"),
            std::string::npos);
  EXPECT_NE(xml.find("w:orient=\"landscape\""), std::string::npos);
  const std::string sheet = ZipPart(xlsx, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<c r=\"C2\"><v>42</v></c>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<t>0042</t>"), std::string::npos);
  EXPECT_NE(ZipPart(xlsx, "xl/workbook.xml").find("name=\"Orders\""), std::string::npos);
}

TEST_F(OfficeTest, AnApplicationThatQuitIsReplacedAfterTheGuardsMessage) {
  TScriptedUserInteraction ui;
  {
    TOLELink link(nullptr, "EXCEL");
    link.AddDoc();
  }
  // A script ends the running spreadsheet application the link has cached.
  Prepare(".VARS\nX := CreateOLEObject('Excel.Application')\nX.Quit\n");
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(TOLELink(nullptr, "EXCEL").AddDoc(), EAbort);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Error in OLE application: The object invoked has disconnected from its clients");
  EXPECT_FALSE(TOLELink::CachedApplication(TOLELink::okExcel));
  TOLELink fresh(nullptr, "EXCEL");  // starts a new instance
  fresh.AddDoc();
  EXPECT_TRUE(ui.AllAnswered());
}

TEST_F(OfficeTest, RowsTakeEveryTypeAndSkipWhatHasNoCellValue) {
  Prepare(".VARS\n"
          "M := GetValueStr('', 'X')\n"
          "NAME := 'Desk'\n"
          "L := OpenOLE('WORD')\n"
          "AddVarsOLE(L, NAME, NOTHING, L)\n"
          "AddRecordOLE(L)\n"
          "CloseOLE(L)\n");
  const std::string xml = ZipPart(Path("out.docx"), "word/document.xml");
  EXPECT_EQ(Count(xml, "<w:tr>"), 2);
  EXPECT_EQ(Count(xml, "<w:tc>"), 6);
  EXPECT_NE(xml.find(">NOTHING<"), std::string::npos);  // the header names the variable
  EXPECT_NE(xml.find(">Desk<"), std::string::npos);
  // The UNDEFINED and OBJECT columns stay empty in the record's row.
  EXPECT_EQ(Count(xml, "<w:t xml:space=\"preserve\">"), 4);
}

TEST(WordDocumentTest, RangesKeepTheirPlaceAndTextReplacesTheirContent) {
  TWordDocument doc;
  doc.InsertText(0, "one two three");
  TWordPos word{4, 7};  // "two"
  doc.Attach(&word);
  doc.InsertText(0, ">> ");
  EXPECT_EQ(doc.Text(word.Start, word.End), "two");
  doc.Delete(word.Start, word.End);
  EXPECT_EQ(word.Start, word.End);
  doc.InsertText(word.Start, "2");
  EXPECT_EQ(doc.Text(0, doc.Length()), ">> one 2 three\r");
  doc.InsertPageBreak(doc.Length());
  doc.InsertText(doc.Length(), "next");
  // A break in the middle of a paragraph stays a break run.
  EXPECT_NE(doc.DocumentXml().find("three</w:t><w:br w:type=\"page\"/><w:t xml:space=\"preserve\">next"),
            std::string::npos);
  // A table's cells are cleared by a deletion over them, the table stays.
  TWordDocument::TTable* table = doc.AddTable(doc.Length(), 1, 2);
  doc.SetCellText(*table, 0, 1, "cell");
  doc.Delete(0, doc.Length());
  EXPECT_EQ(doc.TableCount(), 1);
  EXPECT_EQ(doc.CellText(*table, 0, 1), "");
  doc.Detach(&word);
}

TEST_F(OfficeTest, WrongArgumentsAreNamedThroughTheObjectModel) {
  const std::string script = ".VARS\n#W := CreateOLEObject('Word.Application'); D := W.Documents.Add;\n";
  auto error = [&](const std::string& statement) {
    try {
      report_ = std::make_unique<TQoReport>();
      Prepare(script + "#" + statement + "\n");
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(error("D.Content.Font.Size := 0;"), "Word.Application: Font: invalid argument");
  EXPECT_EQ(error("T := D.Tables(1);"), "Word.Application: Tables: index 1 is out of range");
  EXPECT_EQ(error("D.Content.End := 3;"), "no error");
  EXPECT_EQ(error("D.Name := 'x';"), "Word.Application: Document.Name: the property is read-only");
  EXPECT_EQ(error("X := CreateOLEObject('Excel.Application'); C := X.Workbooks.Add.Sheets(1).Cells(0, 1);"),
            "Excel.Application: Worksheet: index 0, 1 is out of range");
  EXPECT_EQ(error("X := CreateOLEObject('Excel.Application'); S := X.Workbooks.Add.Sheets('Nope');"),
            "Excel.Application: Sheets: index Nope is out of range");
}

// ---- the office functions -------------------------------------------------------------------

TEST_F(OfficeTest, SpreadsheetCellsKeepTheirTypesAndTextKeepsLeadingZeros) {
  Prepare(".VARS\n"
          "CODE := '007'\n"
          "QTY := 3\n"
          "DAY := StrToDate('03/02/2024')\n"
          "OK := TRUE\n"
          "NOTE := GetValueStr('', 'X')\n"
          "L := OpenOLE('excel')\n"
          "AddVarsOLE(L, CODE, QTY, DAY, OK)\n"
          "AddRecordOLE(L)\n"
          "CODE := '042'\n"
          "QTY := 4.5\n"
          "AddRecordOLE(L)\n"
          "CloseOLE(L)\n"
          "AddRecordOLE(CODE)\n");
  ASSERT_TRUE(fs::exists(Path("out.xlsx")));  // the output's name with the document's extension
  const std::string sheet = ZipPart(Path("out.xlsx"), "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<t>CODE</t>"), std::string::npos);
  EXPECT_NE(sheet.find("<t>007</t>"), std::string::npos);
  EXPECT_NE(sheet.find("<t>042</t>"), std::string::npos);
  EXPECT_NE(sheet.find("<v>4.5</v>"), std::string::npos);
  EXPECT_NE(sheet.find("<v>45325</v>"), std::string::npos);  // 3 Feb 2024 as a day count
  EXPECT_NE(sheet.find("t=\"b\"><v>1</v>"), std::string::npos);
  const std::string styles = ZipPart(Path("out.xlsx"), "xl/styles.xml");
  EXPECT_NE(styles.find("formatCode=\"dd/mm/yyyy\""), std::string::npos);
  EXPECT_TRUE(styles.find("numFmtId=\"49\"") != std::string::npos ||
              styles.find("formatCode=\"@\"") != std::string::npos);  // text
  EXPECT_EQ(HiddenFiles(), 0);
}

TEST_F(OfficeTest, WordTablesGetTheRowsAndAnAutoFittedLayout) {
  Prepare(".VARS\n"
          "NAME := 'Eco Planter'\n"
          "PRICE := 28.8\n"
          "L := OpenOLE('Word')\n"
          "AddVarsOLE(L, NAME, PRICE)\n"
          "AddRecordOLE(L)\n"
          "NAME := 'Large Desk'\n"
          "AddRecordOLE(L)\n"
          "CloseOLE(L)\n"
          "M := OpenOLE('WORD')\n"
          "AddVarsOLE(M, NAME)\n"
          "CloseOLE(M)\n");
  const std::string xml = ZipPart(Path("out.docx"), "word/document.xml");
  EXPECT_EQ(Count(xml, "<w:tr>"), 3);
  EXPECT_EQ(Count(xml, "<w:tblLayout w:type=\"autofit\"/>"), 1);
  EXPECT_NE(xml.find(">Eco Planter<"), std::string::npos);
  EXPECT_NE(xml.find(">28.8<"), std::string::npos);
  // The second document of the same application does not overwrite the first.
  EXPECT_EQ(Count(ZipPart(Path("out (2).docx"), "word/document.xml"), "<w:tr>"), 1);
}

TEST_F(OfficeTest, TheHostChoosesWhereDocumentsGoAndIsToldOfEachOne) {
  static std::vector<std::string> shown;
  shown.clear();
  Office_ShowDocument = [](const std::string& path) { shown.push_back(path); };
  OfficeFileName = Path("chosen.any");
  Prepare(".VARS\nA := 1\nL := OpenOLE('EXCEL')\nAddVarsOLE(L, A)\nCloseOLE(L)\n");
  Office_ShowDocument = hook_defaults::Office_ShowDocument;
  EXPECT_TRUE(fs::exists(Path("chosen.xlsx")));
  EXPECT_EQ(shown, std::vector<std::string>{Path("chosen.xlsx")});
}

}  // namespace
}  // namespace bexlo::testing
