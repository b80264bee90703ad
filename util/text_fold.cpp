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

// What a look at a text's bytes tells about an ASCII needle in it.
enum class AsciiLook { kFound, kNotFound, kNeedsFolding };

// Looks for the folded ASCII `needle` in the `n` bytes of `hay` with ASCII letters folded on
// the way, no copy made. In ASCII text that is the whole answer. Beyond ASCII a match still
// counts where the byte after it is ASCII (the matched letters then fold alone: nothing
// composes with them); anything else needs the text's folding.
AsciiLook lookForAscii(const char* hay, size_t n, const std::string& needle) {
  const size_t m = needle.size();
  auto h = reinterpret_cast<const unsigned char*>(hay);
  auto p = reinterpret_cast<const unsigned char*>(needle.data());
  unsigned char seen = 0;  // every byte looked at, or-ed: its top bit tells non-ASCII
  size_t i = 0;
  for (; m <= n && i <= n - m; ++i) {
    seen |= h[i];
    if (kAsciiFold.to[h[i]] != p[0]) continue;
    size_t k = 1;
    while (k < m && kAsciiFold.to[h[i + k]] == p[k]) ++k;
    if (k < m) continue;
    if (i + m == n || h[i + m] < 0x80) return AsciiLook::kFound;
    return AsciiLook::kNeedsFolding;
  }
  for (; i < n; ++i) seen |= h[i];
  return seen & 0x80 ? AsciiLook::kNeedsFolding : AsciiLook::kNotFound;
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

// Texts beyond ASCII are mostly ASCII with a letter here and there, so only the runs of
// other characters go through utf8proc, each with the ASCII character before it: a letter
// followed by combining accents composes with them, while no character composes with an
// ASCII character that follows it, and ASCII characters fold alone. Split so, the folding
// of the pieces is the folding of the whole.
const std::string& TextFolder::fold(const char* s, size_t n) {
  if (isAsciiText(s, n)) {
    foldAscii(s, n, folded);
    return folded;
  }
  folded.clear();
  size_t i = 0;
  while (i < n) {
    size_t j = i + 1;
    while (j < n && static_cast<unsigned char>(s[j]) >= 0x80) ++j;
    if (j == i + 1 && static_cast<unsigned char>(s[i]) < 0x80) {
      folded += static_cast<char>(kAsciiFold.to[static_cast<unsigned char>(s[i])]);
    } else if (!appendFolded(s + i, j - i)) {  // not UTF-8: fold the ASCII letters only
      foldAscii(s, n, folded);
      return folded;
    }
    i = j;
  }
  return folded;
}

bool TextFolder::appendFolded(const char* s, size_t n) {
  auto in = reinterpret_cast<const utf8proc_uint8_t*>(s);
  auto len = static_cast<utf8proc_ssize_t>(n);
  utf8proc_ssize_t count = utf8proc_decompose_custom(
      in, len, codePoints.data(), static_cast<utf8proc_ssize_t>(codePoints.size()), kFoldOptions,
      nullptr, nullptr);
  if (count < 0) return false;
  // One more code point's room: utf8proc ends the re-encoded text with a NUL.
  if (static_cast<size_t>(count) >= codePoints.size()) {
    bool complete = static_cast<size_t>(count) <= codePoints.size();
    codePoints.resize(static_cast<size_t>(count) + 1);
    if (!complete) {
      count = utf8proc_decompose_custom(in, len, codePoints.data(), count, kFoldOptions, nullptr,
                                        nullptr);
      if (count < 0) return false;
    }
  }
  utf8proc_ssize_t bytes = utf8proc_reencode(codePoints.data(), count, kFoldOptions);
  if (bytes < 0) return false;
  folded.append(reinterpret_cast<const char*>(codePoints.data()), static_cast<size_t>(bytes));
  return true;
}

FoldedNeedle::FoldedNeedle(const std::string& needle) {
  TextFolder folder;
  text = folder.fold(needle);
  asciiNeedle = isAsciiText(text.data(), text.size());
}

bool FoldedNeedle::foundIn(const char* hay, size_t n, TextFolder& folder) const {
  if (text.empty()) return true;
  if (asciiNeedle) {
    AsciiLook look = lookForAscii(hay, n, text);
    if (look != AsciiLook::kNeedsFolding) return look == AsciiLook::kFound;
  } else if (isAsciiText(hay, n)) {
    return false;  // an ASCII text folds to ASCII, and this needle does not
  }
  return folder.fold(hay, n).find(text) != std::string::npos;
}
