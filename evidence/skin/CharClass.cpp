#include "CharClass.h"

#include <bitset>
#include <clocale>
#include <cwctype>
#include <locale.h>
#include <memory>
#include <wctype.h>

namespace vel::xmlchar {

namespace {

struct Tables {
    std::bitset<65536> space;
    std::bitset<65536> alnum;
};

// Without the C.UTF-8 locale (it is built into the C library, so this is a
// safety net): ASCII classes, plus every character from U+0080 up taken as
// a letter except the general punctuation and symbol blocks, surrogates,
// private use and specials.
void FillFallback(Tables& t)
{
    for (unsigned c = 0; c < 65536; ++c) {
        bool space = c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x3000 || (c >= 0x2000 && c <= 0x200A) ||
                     c == 0x2028 || c == 0x2029;
        bool alnum;
        if (c < 0x80)
            alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        else if (c < 0xC0)
            alnum = c == 0xAA || c == 0xB5 || c == 0xBA;
        else
            alnum = !(c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x3004) ||
                      (c >= 0x3008 && c <= 0x3020) || (c >= 0xD800 && c <= 0xF8FF) ||
                      (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF0F) ||
                      (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
                      (c >= 0xFF5B && c <= 0xFF65) || c >= 0xFFE0 || (c >= 0x0300 && c <= 0x036F));
        t.space[c] = space;
        t.alnum[c] = alnum;
    }
}

const Tables& TheTables()
{
    static const std::unique_ptr<Tables> tables = [] {
        auto t = std::make_unique<Tables>();
        locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!loc) {
            FillFallback(*t);
            return t;
        }
        for (unsigned c = 0; c < 65536; ++c) {
            // Surrogate halves are not characters of their own.
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            t->space[c] = iswspace_l(static_cast<wint_t>(c), loc) != 0;
            t->alnum[c] = iswalnum_l(static_cast<wint_t>(c), loc) != 0;
        }
        freelocale(loc);
        return t;
    }();
    return *tables;
}

} // namespace

bool IsSpaceTable(char16_t c) { return TheTables().space[c]; }

bool IsAlnumTable(char16_t c) { return TheTables().alnum[c]; }

} // namespace vel::xmlchar
