#include "ui/LanguageTable.h"

#include <algorithm>
#include <initializer_list>

namespace {

// Rows are in the order the suite's documents list their languages, so a row
// number is also the preselected position in the selector's list.
const LanguageTexts kRows[LanguageRowCount] = {
    {L"German", L"Bitte w\u00e4hlen Sie die Sprache der Installation:", L"OK", L"Abbrechen",
     L"Bitte verlassen Sie vorher %s"},
    {L"English", L"Please choose the installation language:", L"OK", L"Cancel", L"Please quit %s"},
    {L"French", L"Veuillez choisir la langue de l'installation :", L"OK", L"Annuler", L"Veuillez quitter %s"},
    {L"Italian", L"Per favore selezionare la lingua per l'installazione:", L"OK", L"Annulla",
     L"Per favore uscire da %s"},
    {L"Spanish", L"Escoja el lenguaje durante la instalaci\u00f3n:", L"Aceptar", L"Cancelar",
     L"Por favor salga %s"},
    {L"Portuguese", L"Escolha o idioma do processo de instala\u00e7\u00e3o:", L"OK", L"Cancelar",
     L"Por favor saia %s"},
    // The Dutch row has English dialog texts; only its please-quit text is Dutch.
    {L"Dutch", L"Please choose the installation language:", L"OK", L"Cancel", L"Sluit %s af"},
    {L"Hungarian", L"K\u00e9rem, v\u00e1lassza ki a telep\u00edt\u00e9s nyelv\u00e9t", L"OK", L"M\u00e9gse",
     L"K\u00e9rem, l\u00e9pjen ki a(z) %s -b\u00f3l(b\u0151l)"},
    // Greek capitals omicron and kappa, not Latin letters.
    {L"Greek",
     L"\u03a0\u03b1\u03c1\u03b1\u03ba\u03b1\u03bb\u03ce \u03b5\u03c0\u03b9\u03bb\u03ad\u03be\u03c4\u03b5 "
     L"\u03c4\u03b7 \u03b3\u03bb\u03ce\u03c3\u03c3\u03b1 \u03b5\u03b3\u03ba\u03b1\u03c4\u03ac\u03c3\u03c4"
     L"\u03b1\u03c3\u03b7\u03c2:",
     L"\u039f\u039a", L"\u0386\u03ba\u03c5\u03c1\u03bf",
     L"\u03a0\u03b1\u03c1\u03b1\u03ba\u03b1\u03bb\u03ce \u03b4\u03b9\u03b1\u03ba\u03cc\u03c8\u03c4\u03b5 "
     L"\u03c4\u03b7 \u03b4\u03b9\u03b1\u03b4\u03b9\u03ba\u03b1\u03c3\u03af\u03b1 %s"},
    {L"Turkish", L"L\u00fctfen kurulum dilini se\u00e7in:", L"Tamam", L"\u0130ptal",
     L"L\u00fctfen \u015fundan \u00e7\u0131k\u0131\u015f yap\u0131n: %s"},
    // Cyrillic capitals O and K, not Latin letters.
    {L"Russian",
     L"\u041f\u043e\u0436\u0430\u043b\u0443\u0439\u0441\u0442\u0430, \u0432\u044b\u0431\u0435\u0440\u0438"
     L"\u0442\u0435 \u043d\u0443\u0436\u043d\u044b\u0439 \u044f\u0437\u044b\u043a \u0443\u0441\u0442\u0430"
     L"\u043d\u043e\u0432\u043a\u0438:",
     L"\u041e\u041a", L"\u041e\u0442\u043c\u0435\u043d\u0430",
     L"\u041f\u043e\u0436\u0430\u043b\u0443\u0439\u0441\u0442\u0430, \u0437\u0430\u043a\u0440\u043e\u0439"
     L"\u0442\u0435 %s"},
    {L"Chinese", L"\u8bf7\u9009\u62e9\u5b89\u88c5\u8bed\u8a00\uff1a", L"\u786e\u5b9a", L"\u53d6\u6d88",
     L"\u8bf7\u9000\u51fa %s"},
    // Half-width katakana, as the suite's Japanese texts have always been written.
    {L"Japanese",
     L"\uff72\uff9d\uff7d\uff84\uff70\uff99\u306e\u969b\u306e\u8a00\u8a9e\u3092\u9078\u3093\u3067\u304f"
     L"\u3060\u3055\u3044:",
     L"OK", L"\u30ad\u30e3\u30f3\u30bb\u30eb", L"%s \u3092\u9589\u3058\u3066\u304f\u3060\u3055\u3044"},
    {L"Arabic", L"\u0645\u0646 \u0641\u0636\u0644\u0643 \u0627\u062e\u062a\u0631 \u0644\u063a\u0629 "
                L"\u0627\u0644\u062a\u062b\u0628\u064a\u062a:",
     L"\u0645\u0648\u0627\u0641\u0642", L"\u0625\u0644\u063a\u0627\u0621 \u0627\u0644\u0623\u0645\u0631",
     L"\u0645\u0646 \u0641\u0636\u0644\u0643 \u0642\u0645 \u0628\u0625\u0646\u0647\u0627\u0621 %s"},
};

struct RowLcids {
    int row;
    std::initializer_list<unsigned long> lcids;
};

// German takes every LCID that no other row lists, so it needs no entry.
const RowLcids kLcids[] = {
    {1, {9, 1033, 2057, 3081, 4105, 5129, 6153, 7177, 8201, 10249, 11273}},
    {2, {1036, 2060, 3084, 4108, 5132}},
    {3, {1040, 2064}},
    // 3082 (modern sort Spanish) is not listed: it falls to row 0.
    {4, {1034, 2058, 4106, 5130, 6154, 7178, 8202, 9226, 10250, 11274, 12298, 13322, 14346, 15370, 16394,
         17418, 18442, 19466, 20490}},
    {5, {1046, 2070}},
    {6, {1043, 2067}},
    {7, {1038}},
    {8, {1032}},
    {9, {1055}},
    {10, {1049, 2073}},
    {11, {4, 1028, 2052, 3076, 4100}},
    {12, {1041}},
    {13, {1025, 2049, 3073, 4097, 5121, 6145, 7169, 8193, 9217, 10241, 11265, 12289, 13313, 14337, 15361,
          16385}},
};

}  // namespace

int LanguageIndexForLcid(unsigned long lcid) {
    for (const RowLcids& entry : kLcids) {
        if (std::find(entry.lcids.begin(), entry.lcids.end(), lcid) != entry.lcids.end()) return entry.row;
    }
    return 0;
}

const LanguageTexts& LanguageTextsForRow(int row) {
    if (row < 0 || row >= LanguageRowCount) row = LanguageRowEnglish;
    return kRows[row];
}
