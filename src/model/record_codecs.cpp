// Byte encodings of the fixed-size records of the group blob.
#include "base/little_endian.h"
#include "model/group.h"
#include "model/timetable.h"

namespace zavlin {

void AYr::toBytes(uint8_t* p) const {
    p[0] = NN;
    p[1] = tip;
    p[2] = de;
    p[3] = y;
    putU16(p + 4, Nay);
    putU16(p + 6, NAt);
    putU16(p + 8, Kh00);
    p[10] = YOk;
    p[11] = Zm;
    p[12] = IndexYrDp;
}

void AYr::fromBytes(const uint8_t* p) {
    NN = p[0];
    tip = p[1];
    de = p[2];
    y = p[3];
    Nay = getU16(p + 4);
    NAt = getU16(p + 6);
    Kh00 = getU16(p + 8);
    YOk = p[10];
    Zm = p[11];
    IndexYrDp = p[12];
}

void ANed::toBytes(uint8_t* p) const {
    p[0] = N;
    p[1] = kdop;
    p[2] = knyr;
    p[3] = Yd;
    p[4] = Dt1;
    p[5] = Dt6;
    p[6] = NeSinx;
    putU16(p + 7, kotm);
    putU16(p + 9, kzam);
}

void ANed::fromBytes(const uint8_t* p) {
    N = p[0];
    kdop = p[1];
    knyr = p[2];
    Yd = p[3];
    Dt1 = p[4];
    Dt6 = p[5];
    NeSinx = p[6];
    kotm = getU16(p + 7);
    kzam = getU16(p + 9);
}

void APredmet::toBytes(uint8_t* p) const {
    p[0] = N;
    putU16(p + 1, NYrName);
    putU16(p + 3, GNYrName);
    putU16(p + 5, GNPredmetYp);
    p[7] = Podg;
    p[8] = TipDRKM;
    p[9] = GDel;
    p[10] = RazN;
    p[11] = KFio;
    p[12] = Spar;
    p[13] = Sem1;
    p[14] = Sem2;
}

void APredmet::fromBytes(const uint8_t* p) {
    N = p[0];
    NYrName = getU16(p + 1);
    GNYrName = getU16(p + 3);
    GNPredmetYp = getU16(p + 5);
    Podg = p[7];
    TipDRKM = p[8];
    GDel = p[9];
    RazN = p[10];
    KFio = p[11];
    Spar = p[12];
    Sem1 = p[13];
    Sem2 = p[14];
}

}  // namespace zavlin
