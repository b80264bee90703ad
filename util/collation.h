// The order of texts in the user's language: ICU's collation for the locale that the
// environment names for collating (LC_ALL, then LC_COLLATE, then LANG), and the root
// collation of the Unicode Collation Algorithm where that is unset, "C" or "POSIX" (so
// "Ärger" sorts before "Zebra" and "été" before "zoo" there too). ICU's library is loaded
// on the first collator; where it cannot be, texts collate by their bytes. GUI thread only: the
// collator is one object of the process.
#ifndef ZOLT_UTIL_COLLATION_H_
#define ZOLT_UTIL_COLLATION_H_

#include <cstddef>
#include <string>

struct UCollator;

class TextCollator {
 public:
  // The collation of `locale`, a POSIX name ("de_DE.UTF-8", "sv_SE@euro") or an ICU one;
  // "", "C" and "POSIX" (with any encoding) give the root collation, and so does a locale
  // ICU does not know.
  explicit TextCollator(const std::string& locale);
  ~TextCollator();
  TextCollator(const TextCollator&) = delete;
  TextCollator& operator=(const TextCollator&) = delete;

  // Appends the sort key of the `n` bytes of UTF-8 at `s` to `out`: two texts collate as
  // their keys compare byte for byte (as unsigned, a prefix first). Keys never hold a NUL
  // before their end. Bytes that are not UTF-8 collate as U+FFFD.
  void appendSortKey(const char* s, size_t n, std::string& out) const;
  // <0, 0 or >0 as `a` collates before, with or after `b`; texts that collate alike (a
  // composed and a decomposed accent) compare by their bytes, so only equal texts give 0.
  int compare(const std::string& a, const std::string& b) const;
  // The ICU locale in use ("" for the root collation).
  const std::string& locale() const { return icuLocale; }

 private:
  UCollator* collator = nullptr;
  std::string icuLocale;
};

// The ICU locale for a POSIX locale name: "de_DE.UTF-8" gives "de_DE", "C" and "POSIX"
// give "" (root).
std::string icuLocaleFor(const std::string& posixLocale);
// The locale the environment names for collating, as LC_ALL, LC_COLLATE and LANG rank.
std::string collationLocaleFromEnvironment();

// The collator of the process, made from the environment on first use.
const TextCollator& userCollator();
// Replaces the collator of the process with one for `locale` (tests, and a caller that
// knows better than the environment).
void setUserCollationLocale(const std::string& locale);

#endif  // ZOLT_UTIL_COLLATION_H_
