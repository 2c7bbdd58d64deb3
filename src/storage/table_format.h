// Byte layouts of the table files. All integers little-endian, records packed.
//
// .b0  header (68 bytes) + FCountField field descriptions (32 bytes each)
//   0 u8 FVers=1 | 1 u8 FLengthHeadr=68 | 2 u8 FCountField | 3 u8 FTypeInc (1 auto-inc, 0 reusable)
//   4 u32 FAutoInc | 8 u32 FCountRecordAll | 12 u32 FCountRecord | 16 u32 FLengthRecords
//   20 u32 FAutoIncDelRec | 24 u32 FIndexDelRec | 28 u32 FReserv0 | 32 u8 FVersPage=1
//   33 u8 FReserv1 | 34 u16 FLengthPage | 36 u32 FCountPageAll | 40 u32 FCountPageEmpty
//   44 u32 FLastEmptyPageN | 48 f64 FDateTimeCreate | 56,60,64 u32 FReserv2..4
// field description: 0 u8 type | 1 u8 26 | 2..27 name, blank-padded | 28 u8 slot size | 29..31 0
// .b1  slots of 12 + FLengthRecords bytes; slot header:
//   0 u8 FState (0 deleted, else live) | 1 u8 FVers=1 | 2 u32 FAutoIncDelRec | 6 u32 FIndexDelRec
//   10 u16 FReserv; the field values follow, the 4-byte key first
// .bi  FCountRecord entries: u32 key, u32 slot, in ascending slot order
// .b2  pages of 16 + FLengthPage bytes, numbered from 1; page header:
//   0 u32 FIndexRecordAbs | 4 u32 FLength | 8 u32 FNextPage | 12 u8 FState (0 used, 1 free)
//   13 u8 0 | 14 u16 0
// blob value in the slot (12 bytes): 0 u16 FCountPage | 2 u32 FPageStartN | 6 u32 FSummaLength
//   10 u16 FReserv1
#pragma once

#include <cstdint>

#include "base/little_endian.h"

namespace zavlin {

constexpr int kTableHeadSize = 68;
constexpr int kFieldDescSize = 32;
constexpr int kFieldNameLength = 26;
constexpr int kRecordHeadSize = 12;
constexpr int kIndexEntrySize = 8;
constexpr int kPageHeadSize = 16;
constexpr int kBlobHeadSize = 12;
constexpr uint16_t kDefaultPageLength = 1024;
constexpr uint32_t kMaxBlobPages = 65535;

struct ATableBlobHead {
    uint8_t FVers = 1;
    uint8_t FLengthHeadr = kTableHeadSize;
    uint8_t FCountField = 0;
    uint8_t FTypeInc = 0;
    uint32_t FAutoInc = 0;
    uint32_t FCountRecordAll = 0;
    uint32_t FCountRecord = 0;
    uint32_t FLengthRecords = 0;
    uint32_t FAutoIncDelRec = 0;
    uint32_t FIndexDelRec = 0;
    uint32_t FReserv0 = 0;
    uint8_t FVersPage = 1;
    uint8_t FReserv1 = 0;
    uint16_t FLengthPage = kDefaultPageLength;
    uint32_t FCountPageAll = 0;
    uint32_t FCountPageEmpty = 0;
    uint32_t FLastEmptyPageN = 0;
    double FDateTimeCreate = 0;
    uint32_t FReserv2 = 0;
    uint32_t FReserv3 = 0;
    uint32_t FReserv4 = 0;

    void encode(uint8_t* p) const {
        putU8(p + 0, FVers);
        putU8(p + 1, FLengthHeadr);
        putU8(p + 2, FCountField);
        putU8(p + 3, FTypeInc);
        putU32(p + 4, FAutoInc);
        putU32(p + 8, FCountRecordAll);
        putU32(p + 12, FCountRecord);
        putU32(p + 16, FLengthRecords);
        putU32(p + 20, FAutoIncDelRec);
        putU32(p + 24, FIndexDelRec);
        putU32(p + 28, FReserv0);
        putU8(p + 32, FVersPage);
        putU8(p + 33, FReserv1);
        putU16(p + 34, FLengthPage);
        putU32(p + 36, FCountPageAll);
        putU32(p + 40, FCountPageEmpty);
        putU32(p + 44, FLastEmptyPageN);
        putF64(p + 48, FDateTimeCreate);
        putU32(p + 56, FReserv2);
        putU32(p + 60, FReserv3);
        putU32(p + 64, FReserv4);
    }
    static ATableBlobHead decode(const uint8_t* p) {
        ATableBlobHead h;
        h.FVers = getU8(p + 0);
        h.FLengthHeadr = getU8(p + 1);
        h.FCountField = getU8(p + 2);
        h.FTypeInc = getU8(p + 3);
        h.FAutoInc = getU32(p + 4);
        h.FCountRecordAll = getU32(p + 8);
        h.FCountRecord = getU32(p + 12);
        h.FLengthRecords = getU32(p + 16);
        h.FAutoIncDelRec = getU32(p + 20);
        h.FIndexDelRec = getU32(p + 24);
        h.FReserv0 = getU32(p + 28);
        h.FVersPage = getU8(p + 32);
        h.FReserv1 = getU8(p + 33);
        h.FLengthPage = getU16(p + 34);
        h.FCountPageAll = getU32(p + 36);
        h.FCountPageEmpty = getU32(p + 40);
        h.FLastEmptyPageN = getU32(p + 44);
        h.FDateTimeCreate = getF64(p + 48);
        h.FReserv2 = getU32(p + 56);
        h.FReserv3 = getU32(p + 60);
        h.FReserv4 = getU32(p + 64);
        return h;
    }
};

struct ARecordHeadr {
    uint8_t FState = 0xFF;
    uint8_t FVers = 1;
    uint32_t FAutoIncDelRec = 0;
    uint32_t FIndexDelRec = 0;
    uint16_t FReserv = 0;

    bool live() const { return FState != 0; }
    void encode(uint8_t* p) const {
        putU8(p + 0, FState);
        putU8(p + 1, FVers);
        putU32(p + 2, FAutoIncDelRec);
        putU32(p + 6, FIndexDelRec);
        putU16(p + 10, FReserv);
    }
    static ARecordHeadr decode(const uint8_t* p) {
        ARecordHeadr h;
        h.FState = getU8(p + 0);
        h.FVers = getU8(p + 1);
        h.FAutoIncDelRec = getU32(p + 2);
        h.FIndexDelRec = getU32(p + 6);
        h.FReserv = getU16(p + 10);
        return h;
    }
};

struct APageBlobHeadr {
    uint32_t FIndexRecordAbs = 0;
    uint32_t FLength = 0;
    uint32_t FNextPage = 0;
    uint8_t FState = 0;
    uint8_t FReserv0 = 0;
    uint16_t FReserv1 = 0;

    void encode(uint8_t* p) const {
        putU32(p + 0, FIndexRecordAbs);
        putU32(p + 4, FLength);
        putU32(p + 8, FNextPage);
        putU8(p + 12, FState);
        putU8(p + 13, FReserv0);
        putU16(p + 14, FReserv1);
    }
    static APageBlobHeadr decode(const uint8_t* p) {
        APageBlobHeadr h;
        h.FIndexRecordAbs = getU32(p + 0);
        h.FLength = getU32(p + 4);
        h.FNextPage = getU32(p + 8);
        h.FState = getU8(p + 12);
        h.FReserv0 = getU8(p + 13);
        h.FReserv1 = getU16(p + 14);
        return h;
    }
};

struct ABlobHeadr {
    uint16_t FCountPage = 0;
    uint32_t FPageStartN = 0;
    uint32_t FSummaLength = 0;
    uint16_t FReserv1 = 0;

    void encode(uint8_t* p) const {
        putU16(p + 0, FCountPage);
        putU32(p + 2, FPageStartN);
        putU32(p + 6, FSummaLength);
        putU16(p + 10, FReserv1);
    }
    static ABlobHeadr decode(const uint8_t* p) {
        ABlobHeadr h;
        h.FCountPage = getU16(p + 0);
        h.FPageStartN = getU32(p + 2);
        h.FSummaLength = getU32(p + 6);
        h.FReserv1 = getU16(p + 10);
        return h;
    }
};

struct IndexEntry {
    uint32_t key = 0;
    uint32_t slot = 0;
};

}  // namespace zavlin
