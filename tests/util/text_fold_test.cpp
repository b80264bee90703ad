#include "util/text_fold.h"

#include <gtest/gtest.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <random>
#include <string>

#include "document/search_pairs.h"

namespace {

// The NFKC case folding as ICU computes it: an oracle independent of utf8proc. False when
// `text` is not UTF-8.
bool IcuFold(const std::string& text, std::string& out) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfkcCf = unorm2_getNFKCCasefoldInstance(&status);
  std::u16string wide(text.size() + 1, u'\0');
  int32_t wideLen = 0;
  u_strFromUTF8(reinterpret_cast<UChar*>(&wide[0]), static_cast<int32_t>(wide.size()), &wideLen,
                text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return false;
  std::u16string folded(4 * wideLen + 16, u'\0');
  int32_t foldedLen = unorm2_normalize(nfkcCf, reinterpret_cast<const UChar*>(wide.data()), wideLen,
                                       reinterpret_cast<UChar*>(&folded[0]),
                                       static_cast<int32_t>(folded.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  out.assign(4 * foldedLen + 16, '\0');
  int32_t outLen = 0;
  u_strToUTF8(&out[0], static_cast<int32_t>(out.size()), &outLen,
              reinterpret_cast<const UChar*>(folded.data()), foldedLen, &status);
  out.resize(outLen);
  return U_SUCCESS(status);
}

}  // namespace

TEST(TextFoldTest, PairsMatchAsTheirFoldingsDoAndAsIcuFoldsThem) {
  for (const SearchPair& p : kSearchPairs) {
    TextFolder folder;
    EXPECT_EQ(p.found, FoldedNeedle(p.typed).foundIn(p.stored, strlen(p.stored), folder)) << p.name;
    std::string stored, typed;
    if (IcuFold(p.stored, stored) && IcuFold(p.typed, typed)) {
      EXPECT_EQ(p.found, stored.find(typed) != std::string::npos) << "ICU disagrees: " << p.name;
      EXPECT_EQ(typed, FoldedNeedle(p.typed).folded()) << p.name;
    }
  }
}

// Random text over letters with case, combining marks, compatibility forms and scripts
// without case: utf8proc's folding must be ICU's, byte for byte.
TEST(TextFoldTest, FoldsAsIcuDoesOnRandomText) {
  static const char* const kPieces[] = {"a",
                                        "Z",
                                        " ",
                                        "\xc3\x84",
                                        "\xc3\xa4",
                                        "\xc3\x9f",
                                        "\xe1\xba\x9e",
                                        "e\xcc\x81",
                                        "\xcc\x81",
                                        "\xcc\xa3",
                                        "\xc4\xb0",
                                        "\xc4\xb1",
                                        "I",
                                        "\xce\xa3",
                                        "\xcf\x82",
                                        "\xce\x90",
                                        "\xd0\x81",
                                        "\xd1\x91",
                                        "\xef\xbc\xa1",
                                        "\xef\xac\x81",
                                        "\xe2\x84\xaa",
                                        "\xc2\xad",
                                        "\xe6\x97\xa5",
                                        "\xed\x95\x9c",
                                        "\xe1\x84\x92\xe1\x85\xa1",
                                        "\xf0\x9f\x98\x80",
                                        "\xe2\x85\xa0",
                                        "\xc7\x85",
                                        "\xe1\xbe\x88"};
  std::mt19937 random(11);
  int compared = 0;
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    for (int k = random() % 8; k > 0; --k)
      text += kPieces[random() % (sizeof kPieces / sizeof *kPieces)];
    std::string expected;
    ASSERT_TRUE(IcuFold(text, expected)) << text;
    TextFolder folder;
    EXPECT_EQ(expected, folder.fold(text)) << text;
    ++compared;
  }
  EXPECT_EQ(2000, compared);
}

TEST(TextFoldTest, AsciiFoldsToLowerCaseAndOtherBytesStay) {
  TextFolder folder;
  EXPECT_EQ("abc[{@`z", folder.fold(std::string("ABC[{@`Z")));
  EXPECT_EQ(std::string("a\0b", 3), folder.fold(std::string("A\0B", 3)));
  // Not UTF-8: only ASCII letters change, whatever comes after a stray byte.
  EXPECT_EQ("x\xff y\xc3", folder.fold(std::string("X\xff Y\xc3")));
}

TEST(TextFoldTest, AFolderReusedForLongerAndShorterTextsGivesEachItsOwnFolding) {
  TextFolder folder;
  std::string longText(5000, 'x');
  longText += "\xc3\x84";
  EXPECT_EQ(std::string(5000, 'x') + "\xc3\xa4", folder.fold(longText));
  EXPECT_EQ("\xc3\xa4", folder.fold(std::string("\xc3\x84")));
  EXPECT_EQ("ss", folder.fold(std::string("\xc3\x9f")));
}
