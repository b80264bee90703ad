#include "util/text_fold.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstring>

namespace {

// NFKC_Casefold as the Unicode standard defines it, without utf8proc's NUL termination:
// descriptions and summaries are folded with their length.
constexpr utf8proc_option_t kFoldOptions = static_cast<utf8proc_option_t>(
    UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT | UTF8PROC_CASEFOLD | UTF8PROC_IGNORE);

// ASCII upper-case letters to lower case; every other byte to itself. On ASCII this is
// what the Unicode folding gives, so ASCII text never needs utf8proc.
struct AsciiFoldTable {
  unsigned char to[256];
  constexpr AsciiFoldTable() : to() {
    for (int c = 0; c < 256; ++c) {
      to[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
  }
};
constexpr AsciiFoldTable kAsciiFold;

void foldAscii(const char* s, size_t n, std::string& out) {
  out.resize(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(kAsciiFold.to[(unsigned char)s[i]]);
}

// True when the `m` bytes of the folded `needle` occur in the `n` bytes of `hay`, whose
// bytes are folded on the way (ASCII text: no copy).
bool containsAsciiFolded(const char* hay, size_t n, const std::string& needle) {
  const size_t m = needle.size();
  if (m > n) return false;
  auto h = reinterpret_cast<const unsigned char*>(hay);
  auto p = reinterpret_cast<const unsigned char*>(needle.data());
  const size_t last = n - m;
  for (size_t i = 0; i <= last; ++i) {
    if (kAsciiFold.to[h[i]] != p[0]) continue;
    size_t k = 1;
    while (k < m && kAsciiFold.to[h[i + k]] == p[k]) ++k;
    if (k == m) return true;
  }
  return false;
}

}  // namespace

bool isAsciiText(const char* s, size_t n) {
  const uint64_t kHigh = 0x8080808080808080u;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    memcpy(&word, s + i, 8);
    if (word & kHigh) return false;
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
  }
  return true;
}

const std::string& TextFolder::fold(const char* s, size_t n) {
  if (isAsciiText(s, n)) {
    foldAscii(s, n, folded);
    return folded;
  }
  auto in = reinterpret_cast<const utf8proc_uint8_t*>(s);
  auto len = static_cast<utf8proc_ssize_t>(n);
  utf8proc_ssize_t count = utf8proc_decompose_custom(
      in, len, codePoints.data(), static_cast<utf8proc_ssize_t>(codePoints.size()), kFoldOptions,
      nullptr, nullptr);
  if (count > static_cast<utf8proc_ssize_t>(codePoints.size())) {
    // One more code point's room: utf8proc ends the re-encoded text with a NUL.
    codePoints.resize(static_cast<size_t>(count) + 1);
    count = utf8proc_decompose_custom(in, len, codePoints.data(), count, kFoldOptions, nullptr,
                                      nullptr);
  } else if (count >= 0 && static_cast<size_t>(count) == codePoints.size()) {
    codePoints.resize(codePoints.size() + 1);
  }
  if (count < 0) {  // not UTF-8: fold what is certain, the ASCII letters
    foldAscii(s, n, folded);
    return folded;
  }
  utf8proc_ssize_t bytes = utf8proc_reencode(codePoints.data(), count, kFoldOptions);
  if (bytes < 0) {
    foldAscii(s, n, folded);
    return folded;
  }
  folded.assign(reinterpret_cast<const char*>(codePoints.data()), static_cast<size_t>(bytes));
  return folded;
}

FoldedNeedle::FoldedNeedle(const std::string& needle) {
  TextFolder folder;
  text = folder.fold(needle);
}

bool FoldedNeedle::foundIn(const char* hay, size_t n, TextFolder& folder) const {
  if (text.empty()) return true;
  if (isAsciiText(hay, n)) {
    // An ASCII text folds to ASCII: a needle that folds to anything else is not in it.
    return isAsciiText(text.data(), text.size()) && containsAsciiFolded(hay, n, text);
  }
  const std::string& folded = folder.fold(hay, n);
  return folded.find(text) != std::string::npos;
}
