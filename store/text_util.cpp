#include "store/text_util.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

std::string readfLine(std::istream& is) {
  std::string line;
  if (!readRawLine(is, line)) return std::string();
  return trimBlanks(line);
}

std::string trimBlanks(const std::string& line) {
  size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

bool readRawLine(std::istream& is, std::string& line) {
  line.clear();
  if (!is.good()) return false;
  std::getline(is, line);
  // A last line without a line feed still counts; nothing at all does not.
  return !is.fail() || !line.empty();
}

std::string trim(std::string s) {
  static const char* kSpace = " \t\n\v\f\r";
  size_t first = s.find_first_not_of(kSpace);
  if (first == std::string::npos) return std::string();
  size_t last = s.find_last_not_of(kSpace);
  return s.substr(first, last - first + 1);
}

std::string strU(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string itoStr(long value, char fill, unsigned char width, bool signInWidth) {
  bool negative = value < 0;
  unsigned long magnitude =
      negative ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  std::string digits = std::to_string(magnitude);
  size_t used = digits.size() + ((negative && signInWidth) ? 1 : 0);
  std::string pad = used < width ? std::string(width - used, fill) : std::string();
  if (!negative) return pad + digits;
  return signInWidth ? "-" + pad + digits : pad + "-" + digits;
}

unsigned parseNumber(const char* text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (isspace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  unsigned value = 0;
  while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<unsigned>(*p++ - '0');
  return negative ? 0u - value : value;
}

bool parseFittingNumber(const std::string& text, unsigned& value) {
  if (text.empty()) return false;
  unsigned long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > 0xffffffffull) return false;
  }
  value = static_cast<unsigned>(v);
  return true;
}

unsigned parseHex(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
  unsigned value = 0;
  for (; i < text.size() && isxdigit(static_cast<unsigned char>(text[i])); ++i) {
    char c = text[i];
    unsigned digit = isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10);
    value = value * 16u + digit;
  }
  return value;
}

void WriteBinASCII(std::ostream& os, const unsigned char* data, int len) {
  char out[4];
  for (int i = 0; i < len; i += 3) {
    unsigned char b0 = data[i];
    unsigned char b1 = i + 1 < len ? data[i + 1] : 0;
    unsigned char b2 = i + 2 < len ? data[i + 2] : 0;
    out[0] = static_cast<char>('0' + (b0 & 63));
    out[1] = static_cast<char>('0' + (((b1 & 15) << 2) | (b0 >> 6)));
    out[2] = static_cast<char>('0' + (((b2 & 3) << 4) | (b1 >> 4)));
    out[3] = static_cast<char>('0' + (b2 >> 2));
    os.write(out, 4);
  }
  os.write("!!!!", 4);
}

unsigned char* ReadBinASCII(std::istream& is, int& outLen, unsigned sizeHint) {
  size_t capacity = 3 * ((sizeHint ? sizeHint : 256) / 3 + 2);
  unsigned char* buffer = static_cast<unsigned char*>(malloc(capacity));
  size_t used = 0;
  char c[4];
  for (;;) {
    if (!is.read(c, 4)) {
      outLen = -1;
      return buffer;
    }
    if (used + 3 > capacity) {
      capacity *= 2;
      buffer = static_cast<unsigned char*>(realloc(buffer, capacity));
    }
    if (c[0] == '!') {
      // The terminator group counts in outLen; give it three zero bytes so a caller that
      // keeps up to outLen bytes never reads memory that holds nothing.
      memset(buffer + used, 0, 3);
      outLen = (c[1] == '!' && c[2] == '!' && c[3] == '!') ? static_cast<int>(used + 3) : -2;
      return buffer;
    }
    unsigned char d[4];
    for (int k = 0; k < 4; ++k) d[k] = static_cast<unsigned char>(c[k] - '0');
    buffer[used++] = static_cast<unsigned char>((d[1] << 6) | d[0]);
    buffer[used++] = static_cast<unsigned char>((d[1] >> 2) | (d[2] << 4));
    buffer[used++] = static_cast<unsigned char>((d[2] >> 4) | (d[3] << 2));
  }
}
