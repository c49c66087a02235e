#include "Picker/CaseFolding.h"

#include <QLocale>

#include <array>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace CaseFolding {

namespace {

// Latin, Greek and Cyrillic fold one unit to one unit, with a few exceptions (ß folds to "ss"); a table
// of those scripts keeps the common case to one lookup. 0 marks a unit that ICU has to fold.
constexpr char16_t tableSize = 0x800;

std::array<char16_t, tableSize> makeTable(uint32_t options)
{
    std::array<char16_t, tableSize> table {};
    for (char16_t unit = 1; unit < tableSize; ++unit) {
        UChar folded[4];
        UErrorCode error = U_ZERO_ERROR;
        const UChar source = unit;
        const auto length = u_strFoldCase(folded, 4, &source, 1, options, &error);
        if (U_SUCCESS(error) && length == 1)
            table[unit] = folded[0];
    }
    return table;
}

const std::array<char16_t, tableSize>& table(bool turkic)
{
    static const auto plain = makeTable(U_FOLD_CASE_DEFAULT);
    static const auto dotless = makeTable(U_FOLD_CASE_EXCLUDE_SPECIAL_I);
    return turkic ? dotless : plain;
}

// Dashes, quotes, the numero sign: punctuation that has no case.
bool caseless(char16_t unit)
{
    return (unit >= 0x2000 && unit <= 0x206F) || unit == 0x2116;
}

} // namespace

QString fold(const QString& text, bool turkic)
{
    const auto options = turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
    const auto* in = reinterpret_cast<const char16_t*>(text.constData());
    const auto length = text.size();
    // Folding works code point by code point, so the two ways can take turns within one text. A code
    // point folds to at most three units; room is made before each one.
    QString folded(length + 8, Qt::Uninitialized);
    const auto& folds = table(turkic);
    qsizetype used = 0;
    auto* out = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0; i < length;) {
        if (used + 3 > folded.size()) {
            folded.resize(folded.size() * 2);
            out = reinterpret_cast<char16_t*>(folded.data());
        }
        const auto unit = in[i];
        if (unit < tableSize && folds[unit]) {
            out[used++] = folds[unit];
            ++i;
            continue;
        }
        if (caseless(unit)) {
            out[used++] = unit;
            ++i;
            continue;
        }
        const int units
            = QChar::isHighSurrogate(in[i]) && i + 1 < length && QChar::isLowSurrogate(in[i + 1]) ? 2 : 1;
        UErrorCode error = U_ZERO_ERROR;
        const auto written = u_strFoldCase(reinterpret_cast<UChar*>(out + used), 3,
            reinterpret_cast<const UChar*>(in + i), units, options, &error);
        if (U_SUCCESS(error)) {
            used += written;
        } else {
            for (int unit = 0; unit < units; ++unit)
                out[used++] = in[i + unit];
        }
        i += units;
    }
    folded.truncate(used);
    return folded;
}

bool localeIsTurkic()
{
    const auto language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

} // namespace CaseFolding
