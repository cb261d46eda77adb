#include "widgets/platform/registry.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>
#include <QRegularExpression>
#include <QStringList>

#include "output/font.h"
#include "util/convert.h"
#include "util/settings.h"

namespace bexlo {

namespace {

constexpr char kDefaultValueName[] = "(Default)";

QSettings& Store() {
  // One object for the process, never destroyed (it may be used while statics are torn down):
  // QSettings caches the file and each routine syncs it.
  static QSettings* settings = nullptr;
  if (settings == nullptr) {
    settings = new QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Bexlo Software"),
                             QStringLiteral("registry"));
  }
  return *settings;
}

// "Software\Bexlo Software" -> "Software/Bexlo Software"; empty segments dropped.
QString GroupOf(const std::string& key) {
  QStringList segments = QString::fromStdString(key).split(QRegularExpression("[\\\\/]+"), Qt::SkipEmptyParts);
  return segments.join('/');
}

// A value name as a settings key: "/" and "\" would split it into groups, so they (and the
// escape character) are written as %XX.
QString KeyOf(const std::string& name) {
  if (name.empty()) return QString::fromLatin1(kDefaultValueName);
  QString key = QString::fromStdString(name);
  key.replace('%', QStringLiteral("%25")).replace('/', QStringLiteral("%2F")).replace('\\', QStringLiteral("%5C"));
  return key;
}

}  // namespace

void CreateRegKey(const std::string& key, const std::string& name, const std::string& value) {
  const QString group = GroupOf(key);
  if (group.isEmpty()) return;
  QSettings& store = Store();
  store.setValue(group + '/' + KeyOf(name), QString::fromStdString(value));
  store.sync();
}

void GetRegKey(const std::string& key, const std::string& name, std::string& value) {
  value.clear();
  const QString group = GroupOf(key);
  if (group.isEmpty()) return;
  QSettings& store = Store();
  store.sync();  // another process may have written since
  const QVariant stored = store.value(group + '/' + KeyOf(name));
  if (!stored.isValid() || stored.typeId() != QMetaType::QString) return;
  std::string text = stored.toString().toStdString();
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  value = std::move(text);
}

std::string GetRegKey(const std::string& key, const std::string& name) {
  std::string value;
  GetRegKey(key, name, value);
  return value;
}

void DeleteRegKey(const std::string& key) {
  const QString group = GroupOf(key);
  if (group.isEmpty()) return;
  QSettings& store = Store();
  store.remove(group);
  store.sync();
}

void CreateCompsRegKey(const std::string& name, const std::string& value) {
  CreateRegKey(kCompsRegKey, "", kCompsRegCredit);
  CreateRegKey(kCompsRegKey, name, value);
}

void GetCompsRegKey(const std::string& name, std::string& value) { GetRegKey(kCompsRegKey, name, value); }

std::string GetCompsRegKey(const std::string& name) { return GetRegKey(kCompsRegKey, name); }

void DeleteCompsRegKey() { DeleteRegKey(kCompsRegKey); }

void LoadState() {
  constexpr int kFallbackDPI = 300;
  int dpi = kFallbackDPI;
  const std::string stored = GetCompsRegKey("PrinterDPI");
  if (!stored.empty()) {
    int value = 0;
    if (TryStrToInt(stored, value) && value >= 1 && value <= TFont::kMaxPixelsPerInch) dpi = value;
  } else {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
      QPrinter printer(info, QPrinter::HighResolution);
      const int value = printer.isValid() ? printer.resolution() : 0;
      if (value >= 1 && value <= TFont::kMaxPixelsPerInch) dpi = value;
    }
  }
  PrinterDPI = dpi;
  if (GetCompsRegKey("ShadowPrint") == "1") ShadowPrint = true;
}

void SaveState() {
  CreateCompsRegKey("PrinterDPI", IntToStr(PrinterDPI));
  CreateCompsRegKey("ShadowPrint", ShadowPrint ? "1" : "0");
}

}  // namespace bexlo
