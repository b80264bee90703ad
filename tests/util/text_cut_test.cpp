#include "util/text_cut.h"

#include <gtest/gtest.h>
#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "document/zolt.h"
#include "document/agenda_text.h"
#include "test_util.h"

namespace {

// Where the characters of `text` begin, in bytes, with the text's end last: ICU's
// character break rules, an oracle independent of utf8proc.
std::vector<size_t> IcuCharacterStarts(const std::string& text) {
  UErrorCode status = U_ZERO_ERROR;
  UText* ut = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  UBreakIterator* bi = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
  ubrk_setUText(bi, ut, &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  std::vector<size_t> starts;
  for (int32_t b = ubrk_first(bi); b != UBRK_DONE; b = ubrk_next(bi)) {
    if (b > 0) starts.push_back(static_cast<size_t>(b));
  }
  ubrk_close(bi);
  utext_close(ut);
  return starts;  // starts[k] is where character k + 1 begins (or the end)
}

bool IsUtf8(const std::string& s) {
  UErrorCode status = U_ZERO_ERROR;
  UText* ut = utext_openUTF8(nullptr, s.data(), static_cast<int64_t>(s.size()), &status);
  bool ok = U_SUCCESS(status);
  for (UChar32 c = utext_next32From(ut, 0); ok && c != U_SENTINEL; c = utext_next32(ut)) {
    ok = c != 0xFFFD;  // ICU reads a broken sequence as the replacement character
  }
  utext_close(ut);
  return ok;
}

}  // namespace

TEST(TextCutTest, CutsFallBetweenCharactersAsIcuFindsThem) {
  static const char* const kTexts[] = {
      "short",
      "\xc3\xbc\xc3\xa4\xc3\xb6",                              // üäö
      "e\xcc\x81t\xc3\xa9 e\xcc\x81\xcc\xa3",                  // étè with combining marks
      "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e",                  // 日本語
      "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4",                  // 한국어
      "\xe1\x84\x92\xe1\x85\xa1\xe1\x86\xab!",                 // 한 as conjoining jamo
      "a\xf0\x9f\x98\x80 \xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd b",  // 😀, 👍🏽 (with a skin tone)
      "\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x91\xa7 family",
      "\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa\xf0\x9f\x87\xab\xf0\x9f\x87\xb7",  // flags DE FR
      "line\r\nnext",
  };
  for (const char* text : kTexts) {
    std::string s(text);
    std::vector<size_t> starts = IcuCharacterStarts(s);
    EXPECT_EQ(starts.size(), characterCount(s.data(), s.size())) << s;
    for (size_t k = 0; k <= starts.size() + 1; ++k) {
      size_t expected = k == 0 ? 0 : k <= starts.size() ? starts[k - 1] : s.size();
      EXPECT_EQ(expected, characterPrefixBytes(s.data(), s.size(), k)) << s << " at " << k;
    }
  }
}

TEST(TextCutTest, BrokenBytesCountAsCharactersOfTheirOwn) {
  std::string s(
      "a\xc3"
      "b\xe2\x82"
      "c\xff");
  EXPECT_EQ(7u, characterCount(s.data(), s.size()));
  EXPECT_EQ(2u, characterPrefixBytes(s.data(), s.size(), 2));
  EXPECT_EQ(4u, characterPrefixBytes(s.data(), s.size(), 4));
  EXPECT_EQ(6u, characterPrefixBytes(s.data(), s.size(), 6));
}

TEST(TextCutTest, EllipsisFollowsTextsOfAtLeastTheLength) {
  EXPECT_EQ("abcd", cutWithEllipsis("abcd", 5));
  EXPECT_EQ("abcde...", cutWithEllipsis("abcde", 5));
  EXPECT_EQ("abcde...", cutWithEllipsis("abcdefgh", 5));
  EXPECT_EQ("\xc3\xa4\xc3\xb6\xc3\xbc", cutWithEllipsis("\xc3\xa4\xc3\xb6\xc3\xbc", 4));
  EXPECT_EQ("\xc3\xa4\xc3\xb6...", cutWithEllipsis("\xc3\xa4\xc3\xb6\xc3\xbc", 2));
}

// The fixture's descriptions, shown in place of empty summaries, have their 25th byte in
// a two-, three- and four-byte character and between a letter and its accent; the last
// is Japanese. Every row text, in the list and in the agenda, is UTF-8 cut after 25
// characters of its description.
class DisplayCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.createRoot();
    ASSERT_EQ(0, doc.readData(testData("display_cuts.dat").c_str()));
    for (ToDoListToDo* t : doc.getRoot()->getToDos()) {
      const char* text = nullptr;
      ASSERT_EQ(0, t->GetDescription(text, &doc.getKeys()));
      descriptions.push_back(text);
    }
    ASSERT_EQ(5u, descriptions.size());
  }
  // What a row shows for description `d`: its first 25 characters and "...".
  static void ExpectCut(const std::string& d, const std::string& shown) {
    ASSERT_TRUE(IsUtf8(shown)) << shown;
    std::vector<size_t> starts = IcuCharacterStarts(d);
    ASSERT_GT(starts.size(), 25u) << d;
    EXPECT_EQ(d.substr(0, starts[24]) + "...", shown) << d;
  }
  Zolt doc;
  std::vector<std::string> descriptions;
};

TEST_F(DisplayCutTest, ListRowsCutDescriptionsBetweenCharacters) {
  for (size_t i = 0; i < 4; ++i) {
    size_t first = descriptions[i].find_first_not_of(descriptions[i][0]);
    ASSERT_LT(first, 25u) << "the 25th byte lies inside a character";
    ASSERT_GT(descriptions[i].find_first_of(" ", first), 25u);
  }
  doc.clearViewData();
  doc.getContent();
  ASSERT_EQ(5u, doc.getRows().size());
  for (size_t i = 0; i < 5; ++i) ExpectCut(descriptions[i], doc.getRows()[i].text);
}

TEST_F(DisplayCutTest, AgendaCutsDescriptionsBetweenCharacters) {
  // A day that is not today, so the calendar has no overdue block.
  unsigned day = packDate(kEmptyDateTime, 2030, 3, 4);
  for (ToDoListToDo* t : doc.getRoot()->getToDos()) {
    doc.setItem(t);
    ASSERT_EQ(0, doc.setDate(0, packedYear(day), packedMonth(day), packedDay(day)));
  }
  std::istringstream agenda(agendaText(doc, day, 1));
  std::string line;
  int items = 0;
  while (std::getline(agenda, line)) {
    if (line.compare(0, 2, "o ") != 0) continue;
    std::string shown = line.substr(2);
    auto it = std::find_if(descriptions.begin(), descriptions.end(), [&](const std::string& d) {
      return d.compare(0, 10, shown, 0, 10) == 0;
    });
    ASSERT_NE(descriptions.end(), it) << line;
    ExpectCut(*it, shown);
    ++items;
  }
  EXPECT_EQ(5, items);
}
