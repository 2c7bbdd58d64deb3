// The document kinds of the word-processor window and their generators.
#include "export/html_documents.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {

bool THtmlExportHub::CreateWordOfKind(int VidTip, const TWordRequest& r) {
    static const TArrayOfPointByte kNoDays;
    const TArrayOfPointByte& WD = r.WD != nullptr ? *r.WD : kNoDays;
    switch (VidTip) {
        case 0:
            return CreateWordGryp(WD);
        case 1:
            return CreateWordFio(WD);
        case 2:
            return CreateWordVedGryp(r.me, r.h);
        case 3:
            return CreateWordVedFio(r.me, r.h, r.Setka, r.VidDoc);
        case 4:
            return CreateWordZamena1(WD, r.vAyd, r.vShortPr, r.vShortFi, r.vSortYrok);
        case 41:
            return CreateWordZamena3(WD, r.vAyd, r.vShortPr, r.vShortFi, r.vSortYrok);
        case 5:
            return CreateWordZamena2(WD, r.vAyd, r.vShortPr, r.vShortFi, r.VidDoc);
        case 51:
            return CreateWordZamena4(WD, r.vAyd, r.vShortPr, r.vShortFi, r.VidDoc);
        case 7:
            return CreateWordAllFioNed(r.Y1, r.Y2, r.vd);
        case 77:
            return CreateWordAllFioNed2(r.N1, r.N2, r.Y1, r.Y2, r.vd);
        case 8:
            return CreateWordFioToAyd(r.Y1, r.Y2, WD);
        case 9:
            return CreateWordAydToGryp(r.Y1, r.Y2, WD);
        case 91:
            return CreateWordGrypToAyd(r.Y1, r.Y2, WD);
        case 21:
            return CreateWordCvodGryp();
        case 24:
            return CreateWordPlanFio(r.N1, r.N2);
        case 26:
            return CreateWordFioAllGod(r.N1, r.N2, r.Y1, r.Y2);
        case 60:
            return CreateWordEkzamen1(WD);
        case 61:
            return CreateWordEkzamen2(WD);
        default:
            Fil.clear();
            return false;
    }
}

}  // namespace zavlin::exporting
