// Office documents, against programs that write the same files straight through the libraries:
//  1. 100,000 records of 6 columns (an order number as text with leading zeros, a date, two
//     strings, a quantity, an amount) through the report function AddRecordOLE into an .xlsx
//     (the built-in spreadsheet server, saved by CloseOLE), against a libxlsxwriter program that
//     writes the same cells with the same formats (both in libxlsxwriter's constant-memory mode).
//  2. A 1,000-page report output (60 lines a page, font changes) exported to .docx (load and
//     index the output, the office link, the word-processor server, the package), against a
//     program that writes the same paragraphs and runs as WordprocessingML straight into a zip
//     with libzip.
// Times are CPU seconds (user + system) of this process, best of several rounds taken in turn, so
// that other work on a shared machine does not blur the ratios. Peak memory is the process's
// maximum resident set.
//
//   bench/run.sh office_export [DIR] [--only xlsx|docx]
//     DIR: where the files are written (default /tmp); --only runs one part (ours only, once) and
//     prints its time and peak memory, for profiling.
#include <sys/resource.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "automation/office_servers.h"
#include "report/office_export.h"
#include "report/ole_link.h"
#include "report/qo_report.h"
#include "reportlang/func_list.h"
#include "reportlang/var_list.h"
#include "util/format_settings.h"

namespace {

using namespace bexlo;

constexpr int kRecords = 100'000;
constexpr int kPages = 1'000;
constexpr int kLinesPerPage = 60;
constexpr int kRounds = 3;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// ---- the records ------------------------------------------------------------------------------

struct TRecord {
  std::string Number;
  double Date;
  std::string Customer;
  std::string City;
  double Quantity;
  double Amount;
};

std::vector<TRecord> MakeRecords() {
  const char* customers[] = {"Elena Laurent Trading", "David Brown Supplies", "Anna Weber Ltd", "Lucas Weber & Sons",
                             "Мария Иванова", "Bram Laurent & Sons"};
  const char* cities[] = {"Toulouse", "Paris", "Lyon", "Munich", "Москва", "Manchester", "Utrecht"};
  std::vector<TRecord> records;
  records.reserve(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    std::string number = std::to_string(i + 1);
    number.insert(0, 7 - number.size(), '0');
    records.push_back({number, 44927.0 + i % 730, customers[i % 6], cities[i % 7], static_cast<double>(1 + i % 9),
                       (i % 1000) * 12.34 + 0.5});
  }
  return records;
}

// Ours: a report whose VARS script opens the spreadsheet and writes the header, then the
// AddRecordOLE function of its function table for every record, then CloseOLE (which saves).
void OursXlsx(const std::vector<TRecord>& records, const std::string& path) {
  TQoReport report;
  report.PrintName = path;
  report.FormatSource().SetText(
      ".VARS\n"
      "ORDER_NO := ''\nDAY := StrToDate('01/01/2023')\nCUSTOMER := ''\nCITY := ''\nQTY := 0\nAMOUNT := 0\n"
      "L := OpenOLE('EXCEL')\n"
      "AddVarsOLE(L, ORDER_NO, DAY, CUSTOMER, CITY, QTY, AMOUNT)\n");
  report.Prepare();
  TReportVar* number = report.GetVarByName("ORDER_NO");
  TReportVar* day = report.GetVarByName("DAY");
  TReportVar* customer = report.GetVarByName("CUSTOMER");
  TReportVar* city = report.GetVarByName("CITY");
  TReportVar* qty = report.GetVarByName("QTY");
  TReportVar* amount = report.GetVarByName("AMOUNT");
  TFunc* addRecord = report.GetFuncByName("AddRecordOLE");
  TFunc* close = report.GetFuncByName("CloseOLE");
  TParamList params;
  params.AddReference(report.GetVarByName("L"));
  TReportVar result("@RESULT", nullptr);
  for (const TRecord& r : records) {
    number->SetString(r.Number);
    day->SetDate(r.Date);
    customer->SetString(r.Customer);
    city->SetString(r.City);
    qty->SetNumber(r.Quantity);
    amount->SetNumber(r.Amount);
    result.Clear();
    addRecord->Handler()(report, params, result);
  }
  close->Handler()(report, params, result);
}

// The baseline: the same cells, formats and mode, straight through libxlsxwriter.
void BaselineXlsx(const std::vector<TRecord>& records, const std::string& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
  lxw_format* text = workbook_add_format(book);
  format_set_num_format(text, "@");
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "dd/mm/yyyy");
  const char* header[] = {"ORDER_NO", "DAY", "CUSTOMER", "CITY", "QTY", "AMOUNT"};
  for (int c = 0; c < 6; ++c) worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), header[c], text);
  lxw_row_t row = 1;
  for (const TRecord& r : records) {
    worksheet_write_string(sheet, row, 0, r.Number.c_str(), text);
    worksheet_write_number(sheet, row, 1, r.Date, date);
    worksheet_write_string(sheet, row, 2, r.Customer.c_str(), text);
    worksheet_write_string(sheet, row, 3, r.City.c_str(), text);
    worksheet_write_number(sheet, row, 4, r.Quantity, nullptr);
    worksheet_write_number(sheet, row, 5, r.Amount, nullptr);
    ++row;
  }
  workbook_close(book);
}

// ---- the 1,000-page output ------------------------------------------------------------------------

void WriteOutput(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::string buffer;
  std::uint32_t seed = 4711;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  const char* words[] = {"Invoice", "total", "amount", "customer", "12 345.67", "date", "Сумма", "account",
                         "balance", "0.00", "Итого", "order"};
  for (int page = 0; page < kPages; ++page) {
    for (int i = 0; i < kLinesPerPage; ++i) {
      std::string line;
      if (i == 0 && page > 0) line += '^';
      if (i == 0) line += "\\F33:14";
      else if (i == 1) line += "\\F16:10";
      else if (i % 13 == 0) line += "\\F17:10";
      else if (i % 13 == 1) line += "\\F16:10";
      while (line.size() < 90) {
        line += words[next() % 12];
        line += ' ';
      }
      if (i % 7 == 3) line += "\\F34:10 note\\F16:10";
      buffer += line;
      buffer += "\r\n";
    }
  }
  out << buffer;
}

// The same paragraphs and runs as the export makes them: text and the font code and size in
// force, one paragraph per line; a page's first paragraph starts a new page.
struct TRun {
  std::string Text;
  int Code;
  int Size;
};
struct TParagraph {
  std::vector<TRun> Runs;
  bool PageBreakBefore = false;
};

std::vector<TParagraph> ReadParagraphs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::vector<TParagraph> paragraphs;
  int code = 255, size = 10;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    TParagraph p;
    if (!line.empty() && line[0] == '^') {
      p.PageBreakBefore = true;
      line.erase(0, 1);
    }
    std::size_t start = 0;
    for (std::size_t slash; (slash = line.find("\\F", start)) != std::string::npos;) {
      if (slash > start) p.Runs.push_back({line.substr(start, slash - start), code, size});
      const std::size_t colon = line.find(':', slash);
      code = std::stoi(line.substr(slash + 2, colon - slash - 2));
      std::size_t end = colon + 1;
      while (end < line.size() && end < colon + 3 && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
      if (end > colon + 1) size = std::stoi(line.substr(colon + 1, end - colon - 1));
      start = end;
    }
    if (start < line.size()) p.Runs.push_back({line.substr(start), code, size});
    paragraphs.push_back(std::move(p));
  }
  return paragraphs;
}

std::string RunProperties(int code, int size) {
  static const char* faces[] = {"Liberation Sans", "Liberation Mono", "Liberation Serif"};
  const int family = code == 255 ? 1 : (code >> 4) % 3;
  const std::string face = faces[family];
  std::string out = "<w:rPr><w:rFonts w:ascii=\"" + face + "\" w:hAnsi=\"" + face + "\" w:eastAsia=\"" + face +
                    "\" w:cs=\"" + face + "\"/>";
  if (code != 255 && (code & 1)) out += "<w:b/><w:bCs/>";
  if (code != 255 && (code & 2)) out += "<w:i/><w:iCs/>";
  const std::string half = std::to_string((code == 255 ? 10 : size) * 2);
  out += "<w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/></w:rPr>";
  return out;
}

void AppendEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
}

void BaselineDocx(const std::vector<TParagraph>& paragraphs, const std::string& path) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
  for (const TParagraph& p : paragraphs) {
    xml += "<w:p>";
    if (p.PageBreakBefore) xml += "<w:pPr><w:pageBreakBefore/></w:pPr>";
    for (const TRun& run : p.Runs) {
      xml += "<w:r>";
      xml += RunProperties(run.Code, run.Size);
      xml += "<w:t xml:space=\"preserve\">";
      AppendEscaped(xml, run.Text);
      xml += "</w:t></w:r>";
    }
    xml += "</w:p>";
  }
  xml += "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"360\" w:right=\"396\" w:bottom=\"427\" "
         "w:left=\"360\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
  const std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "content-types\"><Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
  const std::string rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  auto add = [&](const char* name, const std::string& data) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
  };
  add("[Content_Types].xml", types);
  add("_rels/.rels", rels);
  add("word/document.xml", xml);
  zip_close(archive);
}

struct TBest {
  double Cpu = 1e300;
  double Wall = 1e300;
  void Keep(double cpu, double wall) {
    Cpu = std::min(Cpu, cpu);
    Wall = std::min(Wall, wall);
  }
};

template <class F>
void Time(TBest& best, F&& run) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuSeconds();
  run();
  best.Keep(CpuSeconds() - cpu, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path();
  std::string only;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--only" && i + 1 < argc) only = argv[++i];
    else dir = argv[i];
  }
  const std::string xlsxOurs = (dir / "bexlo-bench-ours.xlsx").string();
  const std::string xlsxBase = (dir / "bexlo-bench-base.xlsx").string();
  const std::string prn = (dir / "bexlo-bench-1000.prn").string();
  const std::string docxOurs = (dir / "bexlo-bench-ours.docx").string();
  const std::string docxBase = (dir / "bexlo-bench-base.docx").string();
  FormatSettings() = DefaultFormatSettings();

  const std::vector<TRecord> records = MakeRecords();
  WriteOutput(prn);
  const std::vector<TParagraph> paragraphs = ReadParagraphs(prn);

  const double input = PeakMegabytes();
  if (!only.empty()) {
    TBest once;
    if (only == "xlsx") Time(once, [&] { OursXlsx(records, xlsxOurs); });
    else Time(once, [&] { ExportOutputToDocx(prn, docxOurs); });
    std::printf("%s: %.3f s CPU, %.3f s wall; peak memory %.1f MB (%.1f MB with the input alone)\n", only.c_str(),
                once.Cpu, once.Wall, PeakMegabytes(), input);
    if (!std::getenv("BEXLO_BENCH_KEEP")) for (const std::string& path : {xlsxOurs, prn, docxOurs}) fs::remove(path);
    return 0;
  }
  TBest xlsx, xlsxBaseline, docx, docxBaseline;
  double peakXlsx = 0;
  for (int round = 0; round < kRounds; ++round) {
    Time(xlsx, [&] { OursXlsx(records, xlsxOurs); });
    if (round == 0) peakXlsx = PeakMegabytes();  // before any document was made
    Time(xlsxBaseline, [&] { BaselineXlsx(records, xlsxBase); });
    Time(docx, [&] { ExportOutputToDocx(prn, docxOurs); });
    Time(docxBaseline, [&] { BaselineDocx(paragraphs, docxBase); });
  }

  std::printf("xlsx, %d records x 6 columns: AddRecordOLE %.3f s CPU (%.3f s wall, %.1f MB), libxlsxwriter %.3f s CPU "
              "(%.3f s wall, %.1f MB)\n",
              kRecords, xlsx.Cpu, xlsx.Wall, fs::file_size(xlsxOurs) / 1e6, xlsxBaseline.Cpu, xlsxBaseline.Wall,
              fs::file_size(xlsxBase) / 1e6);
  std::printf("docx, %d pages, %zu paragraphs: export %.3f s CPU (%.3f s wall, %.1f MB), straight into the zip "
              "%.3f s CPU (%.3f s wall, %.1f MB)\n",
              kPages, paragraphs.size(), docx.Cpu, docx.Wall, fs::file_size(docxOurs) / 1e6, docxBaseline.Cpu,
              docxBaseline.Wall, fs::file_size(docxBase) / 1e6);
  std::printf("peak memory (the process's maximum resident set): %.1f MB with the benchmark's input, %.1f MB after "
              "the first spreadsheet, %.1f MB in all\n",
              input, peakXlsx, PeakMegabytes());
  std::printf("RATIO xlsx %.2f\n", xlsx.Cpu / xlsxBaseline.Cpu);
  std::printf("RATIO docx %.2f\n", docx.Cpu / docxBaseline.Cpu);
  if (!std::getenv("BEXLO_BENCH_KEEP"))
    for (const std::string& path : {xlsxOurs, xlsxBase, prn, docxOurs, docxBase}) fs::remove(path);
  return 0;
}
