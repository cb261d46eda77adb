// String lists: TStrings, the abstract list of text lines with an attached object per line and
// the classic helpers built on it (name=value access, Text with CR LF line ends, delimited text,
// files, assignment, update batching); TStringList, the concrete list (optionally sorted, with a
// duplicates policy, case-insensitive by default, change events, owning its objects on request).
//
// Lines are UTF-8 std::strings. Attached objects are TObject pointers that the list does not own
// unless OwnsObjects is set (TQoStringList sets it). Index errors raise EListError
// "List index out of bounds (%d)".
#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "util/object.h"

namespace bexlo {

class TStrings : public TPersistent {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  ~TStrings() override = default;

  std::string_view ClassName() const noexcept override { return "TStrings"; }

  // ---- storage: what a descendant provides ---------------------------------------------------
  virtual int Count() const = 0;
  // The line at index (0 <= index < Count), else EListError. Descendants keep their lines as
  // std::strings so that reading a line never copies it.
  virtual const std::string& Get(int index) const = 0;
  // Replaces a line, keeping its object. The default deletes and re-inserts.
  virtual void Put(int index, std::string s);
  // The object attached to a line; the default list keeps none (null, and PutObject ignores it).
  virtual TObject* GetObject(int index) const;
  virtual void PutObject(int index, TObject* object);
  // Inserts a line before index (index == Count appends).
  virtual void Insert(int index, std::string s) = 0;
  virtual void InsertObject(int index, std::string s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // ---- adding, moving, searching -------------------------------------------------------------
  // Add returns the index the line got (a sorted list puts it in order).
  virtual int Add(std::string s);
  virtual int AddObject(std::string s, TObject* object);
  // Appends every line (and object) of `strings`; one change notification for the whole batch.
  virtual void AddStrings(const TStrings& strings);
  virtual void Exchange(int index1, int index2);
  // Moves the line (and its object) at curIndex so that it ends up at newIndex.
  virtual void Move(int curIndex, int newIndex);
  // First line equal to s (compared as the list compares: TStringList ignores case unless
  // CaseSensitive); -1 when none.
  virtual int IndexOf(std::string_view s) const;
  // First line whose name (text before NameValueSeparator) equals name ignoring case; -1 if none.
  int IndexOfName(std::string_view name) const;
  int IndexOfObject(const TObject* object) const;

  const std::string& Strings(int index) const { return Get(index); }
  void SetStrings(int index, std::string s) { Put(index, std::move(s)); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  // ---- name=value lines ----------------------------------------------------------------------
  char NameValueSeparator() const noexcept { return name_value_separator_; }
  void SetNameValueSeparator(char c) noexcept { name_value_separator_ = c; }
  // Text before the separator of line index; empty when the line has no separator.
  std::string Names(int index) const;
  // Text after the separator of the line named `name` (first match); empty when there is none.
  std::string Values(std::string_view name) const;
  // Replaces the value of the line named `name`, adds "name=value" when there is none; an empty
  // value deletes the line.
  virtual void SetValues(std::string_view name, std::string_view value);
  // Text after the first separator of line index; empty when the line has none.
  std::string ValueFromIndex(int index) const;
  // Replaces the value part of line index (an empty value deletes the line, as SetValues does).
  void SetValueFromIndex(int index, std::string_view value);

  // ---- whole text ----------------------------------------------------------------------------
  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the lines by the lines of text, split at LF, CR LF and lone CR; a final line break
  // does not start another (empty) line. Bytes are kept as they are.
  void SetText(std::string_view text);
  // Lines joined by Delimiter; a line that is empty-with-one-line, contains a blank or control
  // character, the delimiter or the quote character is quoted (quotes inside doubled).
  std::string DelimitedText() const;
  // Parses delimited text: quoted items may hold anything (doubled quotes are one quote);
  // unquoted items end at the delimiter, and also at blanks unless StrictDelimiter is set.
  void SetDelimitedText(std::string_view text);
  // DelimitedText with ',' and '"' whatever Delimiter and QuoteChar are.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);
  char Delimiter = ',';
  char QuoteChar = '"';
  bool StrictDelimiter = false;

  // ---- update batching -----------------------------------------------------------------------
  // Nested; change notifications wait until the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const noexcept { return update_count_; }

  // ---- copying and comparing -----------------------------------------------------------------
  // From another TStrings: replaces lines, objects and the name-value separator. Assigning a
  // list to itself changes nothing.
  void Assign(const TPersistent* source) override;
  // Same number of lines and the same lines (exact bytes); objects are not compared.
  bool Equals(const TStrings& other) const;

  // ---- files ---------------------------------------------------------------------------------
  // Reads a text file: UTF-8 (a leading byte order mark is dropped), or a file in the legacy
  // code page, decoded by DecodeLegacyText (util/legacy_text.h); EInOutError
  // "Cannot open file ..." when it cannot be read. The list is unchanged on failure.
  void LoadFromFile(const std::string& fileName);
  // Writes Text() (CR LF line ends, no byte order mark); EInOutError "Cannot create file ..."
  // when the file cannot be written.
  void SaveToFile(const std::string& fileName) const;

  // ---- iteration over the lines (for (const std::string& s : list)) -------------------------
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::string*;
    using reference = const std::string&;

    const_iterator() = default;
    const_iterator(const TStrings* list, int index) : list_(list), index_(index) {}
    reference operator*() const { return list_->Get(index_); }
    pointer operator->() const { return &list_->Get(index_); }
    reference operator[](difference_type n) const { return list_->Get(index_ + static_cast<int>(n)); }
    const_iterator& operator++() { ++index_; return *this; }
    const_iterator operator++(int) { auto old = *this; ++index_; return old; }
    const_iterator& operator--() { --index_; return *this; }
    const_iterator operator--(int) { auto old = *this; --index_; return old; }
    const_iterator& operator+=(difference_type n) { index_ += static_cast<int>(n); return *this; }
    const_iterator& operator-=(difference_type n) { index_ -= static_cast<int>(n); return *this; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const_iterator a, const_iterator b) { return a.index_ - b.index_; }
    friend bool operator==(const_iterator a, const_iterator b) { return a.index_ == b.index_; }
    friend auto operator<=>(const_iterator a, const_iterator b) { return a.index_ <=> b.index_; }

   private:
    const TStrings* list_ = nullptr;
    int index_ = 0;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, Count()); }

 protected:
  // Called with true when the outermost BeginUpdate starts a batch, with false when the
  // outermost EndUpdate ends it. TStringList raises OnChanging / OnChange there.
  virtual void SetUpdateState(bool updating);
  // Replaces every line by lines (SetText, SetDelimitedText); one change notification. The
  // default clears and adds line by line.
  virtual void ReplaceLines(std::vector<std::string>&& lines);
  // Compares two lines the way IndexOf does (<0, 0, >0). The default compares ignoring case.
  virtual int CompareStrings(std::string_view a, std::string_view b) const;
  // Raises EListError with msg formatted with data ("List index out of bounds (%d)").
  [[noreturn]] void Error(const char* msg, int data) const;
  // The byte position of the name-value separator in s, or npos.
  std::size_t SeparatorPos(std::string_view s) const noexcept { return s.find(name_value_separator_); }

 private:
  std::string JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(std::string_view text, char delimiter, char quote, bool strict);

  int update_count_ = 0;
  char name_value_separator_ = '=';
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Compares the lines at index1 and index2 of list (<0, 0, >0); used by CustomSort.
using TStringListSortCompare = std::function<int(const TStringList& list, int index1, int index2)>;

// The concrete string list: one vector of {line, object}.
//   Sorted: kept in CompareStrings order; Add inserts in order (binary search), Insert, Put and
//     Move raise "Operation not allowed on sorted string list". Duplicates applies only here:
//     dupIgnore drops an equal line (Add returns the index of the existing one), dupError raises
//     "String list does not allow duplicates", dupAccept keeps both.
//   CaseSensitive (default false): comparisons ignore Unicode case; names are always compared
//     ignoring case.
//   OnChanging / OnChange: once before and once after each change; inside BeginUpdate/EndUpdate
//     only once, at the outermost pair.
//   OwnsObjects: the list deletes the object of a line when the line is deleted, on Clear and on
//     destruction (never on PutObject, which is how an owner takes an object back). An owning list
//     takes only the lines, not the objects, from AddStrings and Assign, so that no object ends up
//     with two owners.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  explicit TStringList(bool ownsObjects) : owns_objects_(ownsObjects) {}
  ~TStringList() override;

  std::string_view ClassName() const noexcept override { return "TStringList"; }

  int Count() const override { return static_cast<int>(items_.size()); }
  const std::string& Get(int index) const override;
  void Put(int index, std::string s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, std::string s) override;
  void InsertObject(int index, std::string s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(std::string s) override;
  int AddObject(std::string s, TObject* object) override;
  void AddStrings(const TStrings& strings) override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(std::string_view s) const override;
  void SetValues(std::string_view name, std::string_view value) override;

  // Binary search of a sorted list: true when a line equal to s exists; index receives the
  // first such line, or the position where s would be inserted. Meaningful only when Sorted.
  bool Find(std::string_view s, int& index) const;
  void Sort();
  // Sorts by compare (stable). A Sorted list keeps its own order: both do nothing there.
  void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const noexcept { return duplicates_; }
  void SetDuplicates(TDuplicates value) noexcept { duplicates_ = value; }
  bool CaseSensitive() const noexcept { return case_sensitive_; }
  void SetCaseSensitive(bool value);
  bool OwnsObjects() const noexcept { return owns_objects_; }
  void SetOwnsObjects(bool value) noexcept { owns_objects_ = value; }

  int Capacity() const noexcept { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Raise OnChanging / OnChange unless an update batch is open.
  virtual void Changing();
  virtual void Changed();
  void SetUpdateState(bool updating) override;
  void ReplaceLines(std::vector<std::string>&& lines) override;
  int CompareStrings(std::string_view a, std::string_view b) const override;

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };

  void CheckIndex(int index) const;
  void InsertItem(int index, std::string s, TObject* object);
  // Sorts items bound for a sorted list and applies Duplicates among them and, with againstList,
  // against the lines already held, so that merging them in gives what adding them one by one
  // would. Raises the duplicates error before anything changes.
  void PrepareSortedItems(std::vector<Item>& incoming, bool againstList) const;
  void FreeObject(TObject* object) const;

  std::vector<Item> items_;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  bool owns_objects_ = false;
};

}  // namespace bexlo
