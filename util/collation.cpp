#include "util/collation.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

std::string icuLocaleFor(const std::string& posixLocale) {
  std::string name = posixLocale.substr(0, posixLocale.find_first_of(".@"));
  if (name == "C" || name == "POSIX") return std::string();
  return name;
}

std::string collationLocaleFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return std::string();
}

TextCollator::TextCollator(const std::string& locale) : icuLocale(icuLocaleFor(locale)) {
  UErrorCode status = U_ZERO_ERROR;
  collator = ucol_open(icuLocale.c_str(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    icuLocale.clear();
    collator = ucol_open("", &status);
  }
}

TextCollator::~TextCollator() { ucol_close(collator); }

// The text as UTF-16 for ICU, broken bytes as U+FFFD.
static void toUtf16(const char* s, size_t n, std::vector<UChar>& out) {
  out.resize(n + 1);  // UTF-16 never takes more units than UTF-8 takes bytes
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, s,
                       static_cast<int32_t>(n), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(len) : 0);
}

void TextCollator::appendSortKey(const char* s, size_t n, std::string& out) const {
  static thread_local std::vector<UChar> wide;
  toUtf16(s, n, wide);
  size_t at = out.size();
  // A key is rarely longer than four bytes a unit; ICU says how much it needs if it is.
  out.resize(at + 4 * wide.size() + 16);
  for (;;) {
    int32_t room = static_cast<int32_t>(out.size() - at);
    int32_t need = ucol_getSortKey(collator, wide.data(), static_cast<int32_t>(wide.size()),
                                   reinterpret_cast<uint8_t*>(&out[at]), room);
    if (need <= room) {
      out.resize(at + static_cast<size_t>(need) - 1);  // without the key's closing NUL
      return;
    }
    out.resize(at + static_cast<size_t>(need));
  }
}

int TextCollator::compare(const std::string& a, const std::string& b) const {
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()),
                                        b.data(), static_cast<int32_t>(b.size()), &status);
  if (U_SUCCESS(status) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  return a.compare(b);
}

static std::unique_ptr<TextCollator>& processCollator() {
  static std::unique_ptr<TextCollator> collator;
  return collator;
}

const TextCollator& userCollator() {
  std::unique_ptr<TextCollator>& c = processCollator();
  if (!c) c.reset(new TextCollator(collationLocaleFromEnvironment()));
  return *c;
}

void setUserCollationLocale(const std::string& locale) {
  processCollator().reset(new TextCollator(locale));
}
