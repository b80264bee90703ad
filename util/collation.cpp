#include "util/collation.h"

#include <dlfcn.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// ICU is loaded on the first collation, not at the start: most runs (the headless modes
// among them) never sort a text, and loading ICU's libraries costs milliseconds. Its
// functions carry the version in their names (ucol_open_72); the headers name them so, and
// the library is the one the headers belong to.
#define ZOLT_ICU_NAME_(x) #x
#define ZOLT_ICU_NAME(x) ZOLT_ICU_NAME_(x)

namespace {

struct IcuFunctions {
  decltype(&ucol_open) open = nullptr;
  decltype(&ucol_close) close = nullptr;
  decltype(&ucol_getSortKey) getSortKey = nullptr;
  decltype(&ucol_strcollUTF8) strcollUTF8 = nullptr;
  decltype(&u_strFromUTF8WithSub) fromUtf8 = nullptr;
};

template <typename F>
bool find(void* library, const char* name, F& f) {
  f = reinterpret_cast<F>(dlsym(library, name));
  return f != nullptr;
}

// ICU's functions, or null when its library cannot be loaded: then texts collate by their
// bytes. Loaded once and never unloaded.
const IcuFunctions* icuLibrary() {
  static const IcuFunctions* loaded = []() -> const IcuFunctions* {
    static IcuFunctions f;
    void* library =
        dlopen("libicui18n.so." ZOLT_ICU_NAME(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
    // The UTF-16 conversion is in ICU's common library, which this one depends on.
    bool all = library != nullptr && find(library, ZOLT_ICU_NAME(ucol_open), f.open) &&
               find(library, ZOLT_ICU_NAME(ucol_close), f.close) &&
               find(library, ZOLT_ICU_NAME(ucol_getSortKey), f.getSortKey) &&
               find(library, ZOLT_ICU_NAME(ucol_strcollUTF8), f.strcollUTF8) &&
               find(library, ZOLT_ICU_NAME(u_strFromUTF8WithSub), f.fromUtf8);
    return all ? &f : nullptr;
  }();
  return loaded;
}

}  // namespace

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
  if (icuLibrary() == nullptr) {
    icuLocale.clear();
    return;
  }
  UErrorCode status = U_ZERO_ERROR;
  collator = icuLibrary()->open(icuLocale.c_str(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    icuLocale.clear();
    collator = icuLibrary()->open("", &status);
  }
}

TextCollator::~TextCollator() {
  if (collator != nullptr) icuLibrary()->close(collator);
}

// The text as UTF-16 for ICU, broken bytes as U+FFFD.
static void toUtf16(const char* s, size_t n, std::vector<UChar>& out) {
  out.resize(n + 1);  // UTF-16 never takes more units than UTF-8 takes bytes
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = 0;
  icuLibrary()->fromUtf8(out.data(), static_cast<int32_t>(out.size()), &len, s,
                         static_cast<int32_t>(n), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(len) : 0);
}

void TextCollator::appendSortKey(const char* s, size_t n, std::string& out) const {
  if (collator == nullptr) {
    out.append(s, n);  // without ICU: the bytes, which never hold a NUL in a text
    return;
  }
  static thread_local std::vector<UChar> wide;
  toUtf16(s, n, wide);
  size_t at = out.size();
  // A key is rarely longer than four bytes a unit; ICU says how much it needs if it is.
  out.resize(at + 4 * wide.size() + 16);
  for (;;) {
    int32_t room = static_cast<int32_t>(out.size() - at);
    int32_t need =
        icuLibrary()->getSortKey(collator, wide.data(), static_cast<int32_t>(wide.size()),
                                 reinterpret_cast<uint8_t*>(&out[at]), room);
    if (need <= room) {
      out.resize(at + static_cast<size_t>(need) - 1);  // without the key's closing NUL
      return;
    }
    out.resize(at + static_cast<size_t>(need));
  }
}

int TextCollator::compare(const std::string& a, const std::string& b) const {
  if (collator == nullptr) return a.compare(b);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = icuLibrary()->strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()),
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
