// Texts stored and texts typed into the search, in several languages, with whether the
// typed text finds the stored one. Shared by the document's and the window's search tests.
#ifndef ZOLT_TESTS_DOCUMENT_SEARCH_PAIRS_H_
#define ZOLT_TESTS_DOCUMENT_SEARCH_PAIRS_H_

struct SearchPair {
  const char* name;
  const char* stored;
  const char* typed;
  bool found;
};

// "\xcc\x81" is the combining acute accent U+0301, "\xcc\x87" the combining dot above U+0307.
static const SearchPair kSearchPairs[] = {
    {"German umlaut", "\xc3\x84rger mit dem Amt", "\xc3\xa4rger", true},  // Ärger / ärger
    {"German sharp s",
     "Hauptstra\xc3\x9f"
     "e 5",
     "STRASSE", true},  // Straße
    {"German ss finds sharp s",
     "Stra\xc3\x9f"
     "e",
     "strasse", true},
    {"German sharp s finds ss", "STRASSE",
     "stra\xc3\x9f"
     "e",
     true},
    {"French composed finds decomposed", "Cafe\xcc\x81 au lait", "caf\xc3\xa9", true},
    {"French decomposed finds composed", "CAF\xc3\x89", "cafe\xcc\x81", true},
    {"French accent is no plain letter", "caf\xc3\xa9", "cafe", false},
    {"French decomposed accent is no plain letter", "cafe\xcc\x81", "CAFE", false},
    {"ASCII word beside other letters", "Gr\xc3\xb6\xc3\x9f" "e report", "REPORT", true},
    {"Turkish dotless i is its own letter", "DIYARBAKIR", "diyarbak\xc4\xb1r", false},
    {"Turkish dotless i finds itself, I finds i", "diyarbak\xc4\xb1r", "DIYARBAK\xc4\xb1R", true},
    {"Turkish dotted capital I keeps its dot", "\xc4\xb0stanbul", "istanbul", false},
    {"Turkish dotted capital I finds i with dot", "i\xcc\x87stanbul", "\xc4\xb0STANBUL", true},
    {"plain I finds i", "Istanbul", "istanbul", true},
    {"Greek final sigma", "\xce\x9f\xce\x94\xce\x9f\xce\xa3", "\xce\xbf\xce\xb4\xce\xbf\xcf\x82",
     true},  // ΟΔΟΣ / οδος (final ς)
    {"Greek accented capitals", "\xce\xbf\xce\xb4\xcf\x8c\xcf\x82",
     "\xce\x9f\xce\x94\xce\x8c\xce\xa3", true},  // οδός / ΟΔΌΣ
    {"Cyrillic",
     "\xd0\x9a\xd1\x83\xd0\xbf\xd0\xb8\xd1\x82\xd1\x8c \xd1\x85\xd0\xbb\xd0\xb5\xd0\xb1",
     "\xd0\xba\xd1\x83\xd0\xbf\xd0\xb8\xd1\x82\xd1\x8c", true},  // Купить хлеб / купить
    {"Cyrillic other word", "\xd0\x9a\xd1\x83\xd0\xbf\xd0\xb8\xd1\x82\xd1\x8c",
     "\xd1\x85\xd0\xbb\xd0\xb5\xd0\xb1", false},
    {"full-width letters", "\xef\xbc\xa1\xef\xbc\xa2\xef\xbc\xa3 order", "abc", true},  // ＡＢＣ
    {"ligature", "\xef\xac\x81le", "FILE", true},                                       // ﬁle
    {"ASCII, other case", "Buy ABC", "abc", true},
    {"ASCII, mixed case", "aBc", "ABC", true},
    {"ASCII brackets are no letters", "a{b", "A[B", false},
    {"ASCII at and grave are no letters", "@", "`", false},
    {"not UTF-8: bytes match themselves", "\xe9t\xe9", "\xc9T\xc9", false},
    {"not UTF-8: ASCII letters still fold", "\xe9t\xe9 TODO", "todo", true},
};

#endif  // ZOLT_TESTS_DOCUMENT_SEARCH_PAIRS_H_
