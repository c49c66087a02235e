#include "Picker/CaseFolding.h"

#include <QLocale>

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace CaseFolding {

QString fold(const QString& text, bool turkic)
{
    if (text.isEmpty())
        return text;
    const auto options = turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
    // Full folding expands a code unit into at most three; one pass with room for that never reallocates.
    QString folded(text.size() * 3, Qt::Uninitialized);
    UErrorCode error = U_ZERO_ERROR;
    const auto length = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()),
        static_cast<int32_t>(folded.size()), reinterpret_cast<const UChar*>(text.constData()),
        static_cast<int32_t>(text.size()), options, &error);
    if (U_FAILURE(error))
        return text.toCaseFolded();
    folded.truncate(length);
    return folded;
}

bool localeIsTurkic()
{
    const auto language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

} // namespace CaseFolding
