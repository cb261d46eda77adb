#include "util/strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <utility>

#include "util/exceptions.h"
#include "util/legacy_text.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

// Opens an update batch for the lifetime of the guard, so that an exception thrown half-way
// through a batch still closes it.
class UpdateGuard {
 public:
  explicit UpdateGuard(TStrings& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateGuard() { list_.EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

 private:
  TStrings& list_;
};

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

void AppendQuoted(std::string& out, std::string_view s, char quote) {
  out += quote;
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void RaiseFileError(const char* pattern, const std::string& fileName, int error) {
  throw EInOutError(Format(pattern, fileName, std::strerror(error)));
}

}  // namespace

// ---- TStrings -----------------------------------------------------------------------------------

void TStrings::Put(int index, std::string s) {
  TObject* object = GetObject(index);
  UpdateGuard batch(*this);
  Delete(index);
  InsertObject(index, std::move(s), object);
}

TObject* TStrings::GetObject(int index) const {
  if (index < 0 || index >= Count()) Error(msg::SListIndexError, index);
  return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int index, std::string s, TObject* object) {
  UpdateGuard batch(*this);
  Insert(index, std::move(s));
  PutObject(index, object);
}

int TStrings::Add(std::string s) {
  const int index = Count();
  Insert(index, std::move(s));
  return index;
}

int TStrings::AddObject(std::string s, TObject* object) {
  UpdateGuard batch(*this);
  const int index = Add(std::move(s));
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  UpdateGuard batch(*this);
  const int n = strings.Count();  // read once: adding a list to itself doubles it
  for (int i = 0; i < n; ++i) AddObject(strings.Get(i), strings.GetObject(i));
}

void TStrings::Exchange(int index1, int index2) {
  UpdateGuard batch(*this);
  std::string s1 = Get(index1);
  TObject* o1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, std::move(s1));
  PutObject(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  UpdateGuard batch(*this);
  std::string s = Get(curIndex);
  TObject* object = GetObject(curIndex);
  if (newIndex < 0 || newIndex >= Count()) Error(msg::SListIndexError, newIndex);
  Delete(curIndex);
  InsertObject(newIndex, std::move(s), object);
}

int TStrings::IndexOf(std::string_view s) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (CompareStrings(Get(i), s) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const std::string_view line = Get(i);
    const std::size_t p = SeparatorPos(line);
    if (p != std::string_view::npos && CompareText(line.substr(0, p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (GetObject(i) == object) return i;
  }
  return -1;
}

std::string TStrings::Names(int index) const {
  const std::string& line = Get(index);
  const std::size_t p = SeparatorPos(line);
  return p == std::string::npos ? std::string() : line.substr(0, p);
}

std::string TStrings::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line;
  line.reserve(name.size() + 1 + value.size());
  line.append(name).append(1, name_value_separator_).append(value);
  if (index < 0) {
    Add(std::move(line));
  } else {
    Put(index, std::move(line));
  }
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string& line = Get(index);
  const std::size_t p = SeparatorPos(line);
  return p == std::string::npos ? std::string() : line.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, std::string_view value) {
  if (value.empty()) {
    Delete(index);
    return;
  }
  std::string line = Names(index);
  line.append(1, name_value_separator_).append(value);
  Put(index, std::move(line));
}

std::string TStrings::Text() const {
  const int n = Count();
  std::size_t size = 0;
  for (int i = 0; i < n; ++i) size += Get(i).size() + 2;
  std::string text;
  text.reserve(size);
  for (int i = 0; i < n; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  ReplaceLines(std::move(lines));
}

void TStrings::ReplaceLines(std::vector<std::string>&& lines) {
  UpdateGuard batch(*this);
  Clear();
  for (std::string& line : lines) Add(std::move(line));
}

std::string TStrings::JoinDelimited(char delimiter, char quote) const {
  const int n = Count();
  if (n == 1 && Get(0).empty()) return std::string(2, quote);
  std::string out;
  for (int i = 0; i < n; ++i) {
    if (i > 0) out += delimiter;
    const std::string& s = Get(i);
    const bool needsQuotes = std::any_of(s.begin(), s.end(), [&](char c) {
      return IsBlankOrControl(c) || c == quote || c == delimiter;
    });
    if (needsQuotes) {
      AppendQuoted(out, s, quote);
    } else {
      out += s;
    }
  }
  return out;
}

void TStrings::SplitDelimited(std::string_view text, char delimiter, char quote, bool strict) {
  std::vector<std::string> lines;
  const std::size_t n = text.size();
  std::size_t p = 0;
  auto skipBlanks = [&] {
    if (strict) return;
    while (p < n && IsBlankOrControl(text[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string item;
    if (text[p] == quote) {
      ++p;
      while (p < n) {
        if (text[p] == quote) {
          if (p + 1 < n && text[p + 1] == quote) {
            item += quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
      // Text glued to a closing quote ("ab"cd) belongs to the same item in strict mode.
      if (strict) {
        while (p < n && text[p] != delimiter) item += text[p++];
      }
    } else {
      const std::size_t start = p;
      while (p < n && text[p] != delimiter && (strict || !IsBlankOrControl(text[p]))) ++p;
      item.assign(text.substr(start, p - start));
    }
    lines.push_back(std::move(item));
    skipBlanks();
    if (p < n && text[p] == delimiter) {
      ++p;
      if (p == n) lines.emplace_back();  // a trailing delimiter ends with an empty item
      skipBlanks();
    }
  }
  ReplaceLines(std::move(lines));
}

std::string TStrings::DelimitedText() const { return JoinDelimited(Delimiter, QuoteChar); }
void TStrings::SetDelimitedText(std::string_view text) {
  SplitDelimited(text, Delimiter, QuoteChar, StrictDelimiter);
}
std::string TStrings::CommaText() const { return JoinDelimited(',', '"'); }
void TStrings::SetCommaText(std::string_view text) { SplitDelimited(text, ',', '"', false); }

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ == 0) return;  // unbalanced: nothing to end
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return CompareText(a, b); }

void TStrings::Assign(const TPersistent* source) {
  if (source == this) return;
  const auto* strings = dynamic_cast<const TStrings*>(source);
  if (strings == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  Clear();
  name_value_separator_ = strings->name_value_separator_;
  Delimiter = strings->Delimiter;
  QuoteChar = strings->QuoteChar;
  StrictDelimiter = strings->StrictDelimiter;
  AddStrings(*strings);
}

bool TStrings::Equals(const TStrings& other) const {
  const int n = Count();
  if (n != other.Count()) return false;
  for (int i = 0; i < n; ++i) {
    if (Get(i) != other.Get(i)) return false;
  }
  return true;
}

void TStrings::LoadFromFile(const std::string& fileName) {
  FilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) RaiseFileError(msg::SFOpenError, fileName, errno);
  std::string content;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) content.append(buffer, got);
  if (std::ferror(file.get())) RaiseFileError(msg::SFOpenError, fileName, errno != 0 ? errno : EIO);
  std::string_view text = content;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // A file written in the legacy code page is read as such.
  if (IsLegacyText(text)) {
    SetText(DecodeLegacyText(text));
    return;
  }
  SetText(text);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  const std::string text = Text();
  FilePtr file(std::fopen(fileName.c_str(), "wb"));
  if (!file) RaiseFileError(msg::SFCreateError, fileName, errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) throw EInOutError(msg::SWriteError);
}

void TStrings::Error(const char* msg, int data) const { throw EListError(Format(msg, data)); }

// ---- TStringList --------------------------------------------------------------------------------

TStringList::~TStringList() {
  if (!owns_objects_) return;
  for (Item& item : items_) FreeObject(std::exchange(item.object, nullptr));
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(msg::SListIndexError, index);
}

void TStringList::FreeObject(TObject* object) const {
  if (owns_objects_) delete object;
}

const std::string& TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].text;
}

void TStringList::Put(int index, std::string s) {
  if (sorted_) throw EListError(msg::SSortedListError);
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].text = std::move(s);
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[static_cast<std::size_t>(index)].object = object;
  Changed();
}

void TStringList::Insert(int index, std::string s) { InsertObject(index, std::move(s), nullptr); }

void TStringList::InsertObject(int index, std::string s, TObject* object) {
  if (sorted_) throw EListError(msg::SSortedListError);
  if (index < 0 || index > Count()) Error(msg::SListIndexError, index);
  InsertItem(index, std::move(s), object);
}

void TStringList::InsertItem(int index, std::string s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{std::move(s), object});
  Changed();
}

int TStringList::Add(std::string s) { return AddObject(std::move(s), nullptr); }

int TStringList::AddObject(std::string s, TObject* object) {
  int index = Count();
  if (sorted_) {
    if (Find(s, index)) {
      switch (duplicates_) {
        case TDuplicates::dupIgnore:
          return index;
        case TDuplicates::dupError:
          throw EListError(msg::SDuplicateString);
        case TDuplicates::dupAccept:
          // after the equal lines already there, so equal lines keep the order they came in
          while (index < Count() && CompareStrings(items_[static_cast<std::size_t>(index)].text, s) == 0) ++index;
          break;
      }
    }
  }
  InsertItem(index, std::move(s), object);
  return index;
}

void TStringList::AddStrings(const TStrings& strings) {
  const int n = strings.Count();
  if (n == 0) return;
  std::vector<Item> incoming;
  incoming.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) incoming.push_back({strings.Get(i), owns_objects_ ? nullptr : strings.GetObject(i)});
  if (sorted_) {
    PrepareSortedItems(incoming, true);
    if (incoming.empty()) return;
  }
  Changing();
  const auto middle = static_cast<std::ptrdiff_t>(items_.size());
  items_.insert(items_.end(), std::make_move_iterator(incoming.begin()), std::make_move_iterator(incoming.end()));
  if (sorted_) {
    // Equal lines keep the list's own before the new ones, as single Adds do.
    std::inplace_merge(items_.begin(), items_.begin() + middle, items_.end(),
                       [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  }
  Changed();
}

void TStringList::PrepareSortedItems(std::vector<Item>& incoming, bool againstList) const {
  std::stable_sort(incoming.begin(), incoming.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  if (duplicates_ == TDuplicates::dupAccept) return;
  // Keep the first of each run of equal new lines, and only lines the list does not hold yet.
  std::vector<Item> kept;
  kept.reserve(incoming.size());
  for (Item& item : incoming) {
    int at;
    const bool repeated = (!kept.empty() && CompareStrings(kept.back().text, item.text) == 0) ||
                          (againstList && Find(item.text, at));
    if (!repeated) {
      kept.push_back(std::move(item));
    } else if (duplicates_ == TDuplicates::dupError) {
      throw EListError(msg::SDuplicateString);  // nothing has been changed yet
    }
  }
  incoming = std::move(kept);
}

void TStringList::ReplaceLines(std::vector<std::string>&& lines) {
  if (items_.empty() && lines.empty()) return;
  std::vector<Item> incoming;
  if (sorted_) {
    incoming.reserve(lines.size());
    for (std::string& line : lines) incoming.push_back({std::move(line), nullptr});
    PrepareSortedItems(incoming, false);  // may refuse duplicates: the list is still intact
  }
  Changing();
  std::vector<TObject*> owned;
  if (owns_objects_) {
    for (const Item& item : items_) {
      if (item.object != nullptr) owned.push_back(item.object);
    }
  }
  if (sorted_) {
    items_ = std::move(incoming);
  } else {
    items_.clear();  // keeps the buffer
    items_.reserve(lines.size());
    for (std::string& line : lines) items_.push_back({std::move(line), nullptr});
  }
  for (TObject* object : owned) delete object;
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = items_[static_cast<std::size_t>(index)].object;
  items_.erase(items_.begin() + index);
  FreeObject(object);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<TObject*> owned;
  if (owns_objects_) {
    for (const Item& item : items_) {
      if (item.object != nullptr) owned.push_back(item.object);
    }
  }
  items_.clear();
  for (TObject* object : owned) delete object;
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (sorted_) throw EListError(msg::SSortedListError);
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  Changing();
  const auto from = items_.begin() + curIndex;
  const auto to = items_.begin() + newIndex;
  if (curIndex < newIndex) {
    std::rotate(from, from + 1, to + 1);
  } else {
    std::rotate(to, from, from + 1);
  }
  Changed();
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::SetValues(std::string_view name, std::string_view value) {
  const int index = value.empty() || !sorted_ ? -1 : IndexOfName(name);
  if (index < 0) {
    TStrings::SetValues(name, value);
    return;
  }
  // A sorted list cannot replace a line in place: take it out and put the new one in order,
  // keeping the object.
  std::string line;
  line.append(name).append(1, NameValueSeparator()).append(value);
  Changing();
  TObject* object = items_[static_cast<std::size_t>(index)].object;
  items_.erase(items_.begin() + index);
  int at;
  Find(line, at);
  items_.insert(items_.begin() + at, Item{std::move(line), object});
  Changed();
}

bool TStringList::Find(std::string_view s, int& index) const {
  const auto it = std::lower_bound(items_.begin(), items_.end(), s, [this](const Item& item, std::string_view key) {
    return CompareStrings(item.text, key) < 0;
  });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && CompareStrings(it->text, s) == 0;
}

void TStringList::Sort() {
  if (sorted_ || items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || items_.size() < 2 || !compare) return;
  // Sort positions, not items: the comparison reads the list by index, so the list must stay
  // as it is until the order is known.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (sorted_ == value) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (case_sensitive_ == value) return;
  case_sensitive_ = value;
  if (sorted_) {
    sorted_ = false;  // Sort leaves a sorted list alone
    Sort();
    sorted_ = true;
  }
}

void TStringList::SetCapacity(int capacity) {
  if (capacity > Count()) items_.reserve(static_cast<std::size_t>(capacity));
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
  } else {
    Changed();
  }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return case_sensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

}  // namespace bexlo
