#include "util/strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "util/exceptions.h"
#include "util/list_pool.h"

namespace bexlo {
namespace {

using namespace std::string_literals;

std::vector<std::string> Lines(const TStrings& list) { return {list.begin(), list.end()}; }

// Counts how many of its kind are alive, so ownership mistakes show up as wrong counts.
class Counted : public TObject {
 public:
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }

 private:
  int* alive_;
};

TEST(TStringList, AddInsertDeleteAndIndexErrors) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  list.Insert(0, "a");
  list.Insert(2, "c");  // Count is a valid insert position
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c"}));
  list.Delete(1);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "c"}));
  try {
    list.Strings(5);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, "x"), EListError);
  EXPECT_THROW(list.Objects(2), EListError);
  EXPECT_EQ(list.Count(), 2);
}

TEST(TStringList, ComparesIgnoringUnicodeCaseUnlessCaseSensitive) {
  TStringList list;
  list.Add("Привет");
  list.Add("hello");
  EXPECT_EQ(list.IndexOf("ПРИВЕТ"), 0);
  EXPECT_EQ(list.IndexOf("HELLO"), 1);
  EXPECT_EQ(list.IndexOf("hell"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("ПРИВЕТ"), -1);
  EXPECT_EQ(list.IndexOf("Привет"), 0);
}

TEST(TStringList, NameValueAccess) {
  TStringList list;
  list.SetText("ID=1\r\nИмя=Иван\r\nplain line\r\nexpr=a=b\r\n");
  EXPECT_EQ(list.Values("id"), "1");
  EXPECT_EQ(list.Values("ИМЯ"), "Иван");  // names ignore case, Cyrillic included
  EXPECT_EQ(list.Values("expr"), "a=b");  // only the first separator splits
  EXPECT_EQ(list.Values("plain line"), "");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.IndexOfName("EXPR"), 3);

  list.SetValues("Id", "2");  // replaces in place
  EXPECT_EQ(list.Strings(0), "Id=2");
  list.SetValues("new", "x");  // appends
  EXPECT_EQ(list.Strings(4), "new=x");
  list.SetValues("имя", "");  // an empty value deletes the line
  EXPECT_EQ(list.IndexOfName("Имя"), -1);
  EXPECT_EQ(list.Count(), 4);

  list.SetValueFromIndex(0, "3");
  EXPECT_EQ(list.Strings(0), "Id=3");

  // Even a case-sensitive list finds names ignoring case.
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Values("ID"), "3");

  TStringList other;
  other.SetNameValueSeparator(':');
  other.Add("key:value=1");
  EXPECT_EQ(other.Values("KEY"), "value=1");
}

TEST(TStringList, TextSplitsEveryLineBreakAndJoinsWithCrLf) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd\r\n\r\ne\0f"s);  // a NUL byte is text like any other
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d", "", "e\0f"s}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\0f\r\n"s);

  list.SetText("one\r\n");  // a final break starts no further line
  EXPECT_EQ(list.Count(), 1);
  list.SetText("\n");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
  list.SetText("x\r");  // a lone CR at the very end is a line break too
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"x"}));
}

TEST(TStringList, SortedListKeepsOrderAndAppliesDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "banana", "Яблоко", "apple"}) list.Add(s);
  // dupIgnore (the default) drops "apple" as equal to "Apple" ignoring case.
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Apple", "banana", "pear", "Яблоко"}));
  EXPECT_EQ(list.Add("APPLE"), 0);
  int index = -1;
  EXPECT_TRUE(list.Find("PEAR", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("cherry", index));
  EXPECT_EQ(index, 2);  // where it would go
  EXPECT_EQ(list.IndexOf("яблоко"), 3);

  try {
    list.Insert(0, "x");
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Operation not allowed on sorted string list");
  }
  EXPECT_THROW(list.Put(0, "x"), EListError);
  EXPECT_THROW(list.Move(0, 2), EListError);
  EXPECT_EQ(list.Count(), 4);  // a refused Move loses nothing

  list.SetDuplicates(TDuplicates::dupError);
  try {
    list.Add("Banana");
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  list.SetDuplicates(TDuplicates::dupAccept);
  int a = 0, b = 0;
  EXPECT_EQ(list.AddObject("BANANA", reinterpret_cast<TObject*>(&a)), 2);  // after the equal one
  list.AddObject("Banana", reinterpret_cast<TObject*>(&b));
  EXPECT_EQ(list.Strings(1), "banana");
  EXPECT_EQ(list.Objects(3), reinterpret_cast<TObject*>(&b));
  EXPECT_EQ(list.Count(), 6);

  // Switching case sensitivity re-sorts: byte order puts upper case first.
  list.SetCaseSensitive(true);
  for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.Strings(i - 1), list.Strings(i)) << i;
}

TEST(TStringList, BulkAddsToASortedListMatchAddingOneByOne) {
  TStringList source;
  source.SetText("pear\nApple\nзима\nAPPLE\nbanana\nЗИМА\napple\nkiwi");
  for (int i = 0; i < source.Count(); ++i) source.PutObject(i, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i + 1)));
  for (TDuplicates mode : {TDuplicates::dupIgnore, TDuplicates::dupAccept}) {
    TStringList bulk, single;
    for (TStringList* list : {&bulk, &single}) {
      list->SetSorted(true);
      list->SetDuplicates(mode);
      list->Add("Banana");
      list->Add("cherry");
    }
    bulk.AddStrings(source);
    for (int i = 0; i < source.Count(); ++i) single.AddObject(source.Strings(i), source.Objects(i));
    EXPECT_EQ(Lines(bulk), Lines(single));
    for (int i = 0; i < bulk.Count(); ++i) EXPECT_EQ(bulk.Objects(i), single.Objects(i)) << i;

    TStringList fresh;
    fresh.SetSorted(true);
    fresh.SetDuplicates(mode);
    for (const std::string& line : source) fresh.Add(line);
    single.SetText(source.Text());  // replaces: compared with a fresh list, not with the old lines
    EXPECT_EQ(Lines(single), Lines(fresh));
  }

  TStringList strict;
  strict.SetSorted(true);
  strict.SetDuplicates(TDuplicates::dupError);
  strict.Add("kept");
  EXPECT_THROW(strict.AddStrings(source), EListError);
  EXPECT_THROW(strict.SetText("a\nb\nA"), EListError);
  EXPECT_EQ(Lines(strict), (std::vector<std::string>{"kept"}));  // a refused batch changes nothing
}

TEST(TStringList, SetValuesOnASortedListKeepsOrderAndObject) {
  TStringList list;
  list.SetSorted(true);
  int tag = 0;
  list.AddObject("b=1", reinterpret_cast<TObject*>(&tag));
  list.Add("c=3");
  list.SetValues("B", "zz");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"B=zz", "c=3"}));
  EXPECT_EQ(list.Objects(0), reinterpret_cast<TObject*>(&tag));
  list.SetValues("a", "0");
  EXPECT_EQ(list.Strings(0), "a=0");
}

TEST(TStringList, ChangeEventsFireOncePerChangeAndOncePerBatch) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("a");
  list.Add("b");
  list.Exchange(0, 1);
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);

  changing = changed = 0;
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changed, 0);  // still inside the outer batch
  list.EndUpdate();
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);

  changing = changed = 0;
  list.SetText("x\ny\nz");
  list.AddStrings(list);
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(list.Count(), 6);  // adding a list to itself doubles it once

  list.Clear();
  changing = changed = 0;
  list.Clear();  // nothing to clear: no event
  EXPECT_EQ(changed, 0);
}

TEST(TStringList, ObjectsFollowTheirLines) {
  TStringList list;
  int o[3];
  for (int i = 0; i < 3; ++i) list.AddObject(std::string(1, static_cast<char>('a' + i)), reinterpret_cast<TObject*>(&o[i]));
  list.Move(0, 2);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(list.Objects(2), reinterpret_cast<TObject*>(&o[0]));
  list.Move(2, 0);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Strings(1), "a");
  EXPECT_EQ(list.IndexOfObject(reinterpret_cast<TObject*>(&o[0])), 1);
  list.CustomSort([](const TStringList& l, int i, int j) { return l.Strings(j).compare(l.Strings(i)); });
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(list.IndexOfObject(reinterpret_cast<TObject*>(&o[2])), 0);
}

TEST(TQoStringList, OwnsAttachedObjects) {
  int alive = 0;
  {
    TQoStringList list;
    list.AddObject("a", new Counted(&alive));
    list.AddObject("b", new Counted(&alive));
    list.AddObject("c", nullptr);
    list.AddObject("d", new Counted(&alive));
    EXPECT_EQ(alive, 3);
    list.Delete(0);
    EXPECT_EQ(alive, 2);

    // PutObject hands an object back without freeing it.
    TObject* taken = list.Objects(0);
    list.PutObject(0, nullptr);
    EXPECT_EQ(alive, 2);
    delete taken;

    // Assigning into another owning list copies lines only: no object gets two owners.
    TQoStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Objects(2), nullptr);

    list.Clear();
    EXPECT_EQ(alive, 0);
    list.AddObject("e", new Counted(&alive));
  }
  EXPECT_EQ(alive, 0);  // destruction frees the rest
}

TEST(TStringList, AssignCopiesLinesObjectsAndSeparator) {
  TStringList source;
  source.SetNameValueSeparator(':');
  int tag = 0;
  source.AddObject("k:v", reinterpret_cast<TObject*>(&tag));
  TStringList target;
  target.Add("old");
  target.Assign(&source);
  EXPECT_TRUE(target.Equals(source));
  EXPECT_EQ(target.Objects(0), reinterpret_cast<TObject*>(&tag));
  EXPECT_EQ(target.Values("k"), "v");

  target.Assign(&target);  // assigning a list to itself keeps it
  EXPECT_EQ(target.Count(), 1);

  TComponent notAList;
  EXPECT_THROW(target.Assign(&notAList), EConvertError);
}

TEST(TStringList, DelimitedTextQuotesWhatNeedsItAndParsesBack) {
  TStringList list;
  list.SetText("plain\r\nwith blank\r\nsay \"hi\"\r\n\r\nа,б");
  EXPECT_EQ(list.CommaText(), "plain,\"with blank\",\"say \"\"hi\"\"\",,\"а,б\"");
  TStringList parsed;
  parsed.SetCommaText(list.CommaText());
  EXPECT_TRUE(parsed.Equals(list));

  parsed.SetCommaText("  a b , \"c , d\",e,");  // blanks separate items unless strict
  EXPECT_EQ(Lines(parsed), (std::vector<std::string>{"a", "b", "c , d", "e", ""}));

  parsed.Delimiter = ';';
  parsed.StrictDelimiter = true;
  parsed.SetDelimitedText(" a b ;c");
  EXPECT_EQ(Lines(parsed), (std::vector<std::string>{" a b ", "c"}));

  parsed.Clear();
  parsed.Add("");
  EXPECT_EQ(parsed.CommaText(), "\"\"");  // one empty line stays visible
  parsed.SetCommaText("\"\"");
  EXPECT_EQ(parsed.Count(), 1);
}

class TStringListFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("bexlo_strings_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

TEST_F(TStringListFile, SavesWithCrLfAndLoadsBack) {
  TStringList list;
  list.SetText("Отчёт\nline 2\n");
  list.SaveToFile(Path("a.txt"));
  std::ifstream in(Path("a.txt"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes, "Отчёт\r\nline 2\r\n");

  TStringList loaded;
  loaded.LoadFromFile(Path("a.txt"));
  EXPECT_TRUE(loaded.Equals(list));

  std::ofstream(Path("bom.txt"), std::ios::binary) << "\xEF\xBB\xBF" "first\nsecond";
  loaded.LoadFromFile(Path("bom.txt"));
  EXPECT_EQ(Lines(loaded), (std::vector<std::string>{"first", "second"}));
}

TEST_F(TStringListFile, FailuresRaiseInOutErrorsAndKeepTheList) {
  TStringList list;
  list.Add("kept");
  try {
    list.LoadFromFile(Path("missing.txt"));
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + Path("missing.txt") + "\". ", 0), 0u) << e.what();
  }
  EXPECT_THROW(list.LoadFromFile(dir_.string()), EInOutError);  // a directory cannot be read
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"kept"}));
  try {
    list.SaveToFile(Path("no/such/dir.txt"));
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace bexlo
