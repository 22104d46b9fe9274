// Holds the plug-in's settings reader to the platform's profile reads (see
// wine_fuzz.h): texts like settings files from a seeded generator (section
// headers and the plug-in's keys in varied case and spacing, numbers in every
// syntax the conversion knows, quotes, long digit runs, control characters,
// NULs, every kind of line end, non-ASCII letters in the ANSI code page),
// then byte mutations of them and of the kept inputs. Every key is
// read both ways with two defaults; a read that differs counts as a crash.
//
// usage: zelpin_fuzz_settings SECONDS RUNS SEED CRASHDIR [DIR...]
#include <string>
#include <vector>

#include "tests/fuzz/wine_fuzz.h"
#include "tests/support/profile_differential.h"

namespace {

typedef std::mt19937 Random;

template <size_t N>
const char* Pick(const char* const (&choices)[N], Random& random)
{
    return choices[random() % N];
}

// A Kelvin sign, a long s, dotted and dotless I, no-break and ideographic
// spaces, a byte-order mark inside the text, a fullwidth digit: as UTF-8.
const char* const kUnicode[] = {"\xE2\x84\xAA", "\xC5\xBF", "\xC4\xB0", "\xC4\xB1",
                                "\xC2\xA0",     "\xE3\x80\x80", "\xEF\xBB\xBF", "\xEF\xBC\x95",
                                "\xC2\x85",     "\xC3\xA9"};

std::string Space(Random& random)
{
    static const char* const spaces[] = {"", "", "", " ", "  ", "\t", "\x0b", "\x0c", "\x1a",
                                         "\xa0", " \t ", "\x01", "\x1f"};
    return Pick(spaces, random);
}

std::string Digits(Random& random, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('0' + random() % 10);
    return s;
}

std::string Value(Random& random)
{
    static const char* const signs[] = {"", "", "", "-", "+", "--", "+-", " -", "- "};
    static const char* const prefixes[] = {"", "", "", "0x", "0X", "0o", "0O", "0b", "0B", "0",
                                           "x", "00x"};
    static const char* const words[] = {"", "abc", "on", "1e3", "0x", "0xfFg", "1.5", "12x4",
                                        "  7", "\t8", "9;c", "z", "0b102", "0o78", "Ff"};
    std::string v;
    switch (random() % 6) {
    case 0:
        v = Pick(words, random);
        break;
    case 1:
        v = Digits(random, 28 + random() % 8);
        break;
    default: {
        v = std::string(Pick(signs, random)) + Pick(prefixes, random);
        static const char digits[] = "0123456789abcdefABCDEFz";
        for (int n = random() % 12; n > 0; --n) v += digits[random() % (sizeof digits - 1)];
    }
    }
    // Quotes around it, matched or not, or on one side only; most often none.
    static const char* const quotes[][2] = {{"\"", "\""}, {"'", "'"}, {"\"", ""}, {"'", ""}, {"", "\""},
                                            {"", "'"}, {"\"", "'"}, {"", ""}, {"", ""}, {"", ""}};
    const auto& quote = quotes[random() % 10];
    return Space(random) + quote[0] + v + quote[1] + Space(random);
}

std::string Section(Random& random)
{
    static const char* const names[] = {"ZELPIN", "ZELPIN", "zelpin", "Zelpin", "zElPiN",
                                        " ZELPIN", "ZELPIN ", "ZELP\xC4\xB0N", "ZELP\xC4\xB1N",
                                        "Other",  "",        "ZEL",     "ZELPINS",
                                        "[ZELPIN"};
    std::string name(Pick(names, random));
    if (random() % 8 == 0) name += std::string(1, '\0') + "x";
    // Lines Wine reads otherwise than Windows (no ']', or more than one) are
    // held to Windows' reading by the settings test alone.
    static const char* const ends[] = {"]", "]", "]", "] junk", "] ;c", "]=1"};
    return Space(random) + "[" + name + Pick(ends, random);
}

std::string Key(Random& random)
{
    static const char* const keys[] = {"BlendMethod", "AnalyzerMode", "Ratio", "Enable", "Peaks",
                                       "Rain",        "DependQuelbix"};
    std::string k = Pick(keys, random);
    switch (random() % 8) {
    case 0:
        for (char& c : k)
            if (random() % 2) c = static_cast<char>(c ^ 0x20);   // the other case
        break;
    case 1:
        for (char& c : k)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        break;
    case 2: {
        // A Unicode look-alike of one letter.
        const size_t at = k.find_first_of("kKsSiI");
        if (at != std::string::npos) {
            const char c = k[at];
            k.replace(at, 1, c == 'k' || c == 'K' ? kUnicode[0]
                             : c == 's' || c == 'S' ? kUnicode[1]
                             : kUnicode[2 + random() % 2]);
        }
        break;
    }
    case 3:
        k.insert(random() % (k.size() + 1), 1, '\0');
        break;
    case 4:
        k = "x" + k;
        break;
    }
    return Space(random) + k + Space(random);
}

std::string Line(Random& random)
{
    static const char* const others[] = {"", ";Ratio=50", "# Rain=1", "Ratio", "=5", "==5",
                                         "Rain", "junk line", "\x1a", "; [ZELPIN]"};
    switch (random() % 10) {
    case 0:
    case 1:
        return Section(random);
    case 2:
        return Pick(others, random);
    case 3:
        return Pick(kUnicode, random) + Key(random) + "=" + Value(random);
    default: {
        std::string equals = random() % 10 ? "=" : random() % 2 ? "" : "==";
        return Key(random) + equals + Value(random);
    }
    }
}

std::string Generate(Random& random)
{
    static const char* const ends[] = {"\n", "\r\n", "\r", "\n\r", "\r\r\n"};
    const int style = random() % 7;   // one line end for the whole file, or any
    std::string text;
    if (random() % 3) text += "[ZELPIN]" + std::string(ends[style % 5]);
    for (int n = random() % 14; n > 0; --n)
        text += Line(random) + ends[style < 5 ? style : random() % 5];
    if (random() % 4 == 0) text += Line(random);   // without a line end
    return text;
}

std::string Mutate(std::string s, Random& random)
{
    // With lead bytes of double-byte code pages, which swallow the byte after.
    static const char special[] = {'\0', '\x1a', '\xa0', '\r', '\n', '=', '[', ']', '"', '\'',
                                   ' ', '\t', '\xff', '\xfe', '\xef', '\x80', '\x81', '\xe0',
                                   '-', '0', 'x'};
    for (int steps = 1 + random() % 3; steps > 0; --steps) {
        const size_t at = s.empty() ? 0 : random() % (s.size() + 1);
        switch (random() % 5) {
        case 0:
            s.insert(at, 1, special[random() % sizeof special]);
            break;
        case 1:
            if (at < s.size()) s.erase(at, 1);
            break;
        case 2:
            if (at < s.size()) s[at] = static_cast<char>(s[at] ^ (1u << (random() % 8)));
            break;
        case 3:
            if (at < s.size()) s[at] = special[random() % sizeof special];
            break;
        default: {
            // Copies a stretch elsewhere: repeated sections and keys.
            const size_t from = s.empty() ? 0 : random() % s.size();
            const size_t length = 1 + random() % 40;
            s.insert(at, s.substr(from, length));
        }
        }
    }
    return s;
}

// Rarely: a UTF-16 file, or one past the size the reader takes in whole.
std::string Encode(std::string text, Random& random)
{
    const unsigned roll = random() % 200;
    if (roll == 0) {
        std::string wide = "\xff\xfe";
        for (char c : text) wide += std::string(1, c) + '\0';
        return wide;
    }
    if (roll == 1) return std::string(65 * 1024, ';') + "\n" + text;
    return text;
}

void Start(const std::vector<unsigned>&, const std::vector<std::string>&) {}

std::string Next(const std::vector<std::string>& corpus, Random& random)
{
    if (random() % 4 == 0) return Mutate(corpus[random() % corpus.size()], random);
    return Encode(random() % 2 ? Mutate(Generate(random), random) : Generate(random), random);
}

std::string Check(const std::string& path, bool*)
{
    return ProfileReadsDiffer(path.c_str());
}

}  // namespace

// The kept inputs follow plain files as the skins ship them.
const WineFuzzTarget kFuzzTarget = {
    "settings", 0, ".ini",
    {"[ZELPIN]\r\nBlendMethod=1\r\nAnalyzerMode=2\r\nRatio=75\r\nEnable=1\r\nPeaks=1\r\nRain=0\r\n",
     "; a skin's settings\n[Other]\nRatio=10\n\n[zelpin]\nratio = 40\nenable= 0\n"},
    Start, Next, Check, nullptr, nullptr};
