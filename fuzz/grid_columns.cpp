// Feeds arbitrary bytes to the grid's column layout reader and checks what it promises: a
// damaged document raises EGridColumnsError and leaves the columns as they were; a document it
// accepts saves to a text that reads back to the same layout.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "widgets/grid/columns.h"

using bexlo::EGridColumnsError;
using bexlo::TUDBGridColumns;

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);  // fonts need the application object
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  TUDBGridColumns columns(nullptr);
  columns.Add()->SetFieldName("KEEP");
  columns.Items(0)->SetWidth(42);
  const QByteArray before = columns.SaveToJson();
  try {
    columns.LoadFromJson(input, "fuzz");
  } catch (const EGridColumnsError&) {
    Check(columns.SaveToJson() == before);  // nothing lost
    return 0;
  }
  const QByteArray saved = columns.SaveToJson();
  TUDBGridColumns again(nullptr);
  again.LoadFromJson(saved, "saved");
  Check(again.SaveToJson() == saved);
  Check(again.Count() == columns.Count());
  return 0;
}
