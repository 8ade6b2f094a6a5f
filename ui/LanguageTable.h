#pragma once

#include <string>

// The texts the language selector and the running-application check speak in,
// one row per language the suite ships in.
struct LanguageTexts {
    const wchar_t* language;
    const wchar_t* prompt;
    const wchar_t* ok;
    const wchar_t* cancel;
    // A FormatText pattern taking the running application's name.
    const wchar_t* pleaseQuit;
};

const int LanguageRowCount = 14;
// The row used for an unknown row and for a list with nothing selected.
const int LanguageRowEnglish = 1;

// The row for the user's LCID; an LCID no row lists gives row 0 (German).
int LanguageIndexForLcid(unsigned long lcid);
// Rows outside the table give the English texts.
const LanguageTexts& LanguageTextsForRow(int row);
