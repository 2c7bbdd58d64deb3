// The group's timetable blob: written as version 109, read from every version.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/little_endian.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

namespace {

// Thrown when a count runs past the end of the blob.
struct BlobOverrun : std::runtime_error {
    BlobOverrun() : std::runtime_error("cut short") {}
};

// Thrown when the blob as a whole cannot be one this program wrote.
struct BlobRefused : std::runtime_error {
    explicit BlobRefused(const std::string& why) : std::runtime_error(why) {}
};

// A blob without a version header starts with its week count, which the
// 56 weeks of a year bound; a group of no weeks always had a header.
constexpr uint8_t kHeaderlessMin = 1;
constexpr uint8_t kHeaderlessMax = kWeeks;
constexpr uint8_t kFirstVers = 100;
static_assert(kHeaderlessMax < kFirstVers);

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : b_(bytes) {}

    std::size_t left() const { return b_.size() - pos_; }
    uint8_t u8() {
        need(1);
        return b_[pos_++];
    }
    uint16_t u16() {
        need(2);
        const uint16_t v = getU16(&b_[pos_]);
        pos_ += 2;
        return v;
    }
    uint32_t u32() {
        need(4);
        const uint32_t v = getU32(&b_[pos_]);
        pos_ += 4;
        return v;
    }
    // A record announced as `size` bytes: the first min(size, known) bytes
    // land over `out` (which holds the defaults), the excess is skipped.
    void record(uint8_t* out, std::size_t known, std::size_t size) {
        need(size);
        std::memcpy(out, &b_[pos_], std::min(known, size));
        pos_ += size;
    }

private:
    void need(std::size_t n) const {
        if (left() < n) throw BlobOverrun();
    }
    const std::vector<uint8_t>& b_;
    std::size_t pos_ = 0;
};

class Writer {
public:
    void u8(uint8_t v) { out.push_back(v); }
    void u16(uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void bytes(const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); }
    std::vector<uint8_t> out;
};

uint8_t byteCount(std::size_t n) {
    return static_cast<uint8_t>(std::min<std::size_t>(n, 255));
}

// Lesson record with the fields taken from the lesson's links.
void writeLesson(Writer& w, TYr& yr) {
    if (yr.YrokKorzina() != nullptr) yr.Dan.NN = yr.YrokKorzina()->Dan.NN;
    yr.Dan.Nay = static_cast<uint16_t>(yr.NAyd());
    uint8_t rec[AYr::kSize];
    yr.Dan.toBytes(rec);
    w.bytes(rec, sizeof rec);
    if (yr.SetZamenaYes()) w.u16(static_cast<const TZamena&>(yr).DanZm.Fi);
}

void writeReplaced(Writer& w, const TYr& zamena) {
    const std::size_t n = std::min<std::size_t>(zamena.LZm.size(), 255);
    w.u8(static_cast<uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) w.u8(zamena.LZm[i]->Dan.IndexYrDp);
}

// An old substitution carried inside the lesson it replaced.
struct OldZamena {
    TYr* yr;
    uint16_t nn;  // the subject name's N
    uint16_t fi, nay, nat, kh00;
};

}  // namespace

// --- lookups

TRefLookup::TRefLookup(const TSpisok& spisok) {
    for (const auto& f : spisok.LFio) fio.emplace(f->N, f.get());
    for (const auto& y : spisok.LYrName) yrName.emplace(y->N, y.get());
    for (const auto& a : spisok.LAyd) ayd.emplace(a->N, a.get());
}

TFio* TRefLookup::Fio(int n) const {
    auto it = fio.find(n);
    return n != 0 && it != fio.end() ? it->second : nullptr;
}

TYrName* TRefLookup::YrName(int n) const {
    auto it = yrName.find(n);
    return n != 0 && it != yrName.end() ? it->second : nullptr;
}

TAyd* TRefLookup::Ayd(int n) const {
    auto it = ayd.find(n);
    return n != 0 && it != ayd.end() ? it->second : nullptr;
}

// --- writing

std::vector<uint8_t> TGryp::WriteRasp() {
    // Lessons that lost their period are not kept.
    for (const auto& pr : LPredmet)
        for (auto& list : pr->mLFio)
            for (auto& fp : list)
                fp->LYr.erase(std::remove_if(fp->LYr.begin(), fp->LYr.end(),
                                             [](const auto& yr) { return yr->Yrok() == nullptr; }),
                              fp->LYr.end());
    // Every lesson carries its running index within its period.
    for (TNed* week : LNed)
        for (int de = 1; de <= kDayCount; ++de)
            for (int tip = 0; tip <= 1; ++tip)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (TYrok* yrok = week->GetYrok(tip, de, y))
                        for (int i = 0; i < yrok->CountYrDpZm(); ++i)
                            yrok->YrDpZm(i)->Dan.IndexYrDp = static_cast<uint8_t>(std::min(i, 255));

    Writer w;
    VersHeadr = ADanHeadr{};
    w.u8(VersHeadr.Vers);
    w.u8(VersHeadr.Head);
    ADanRasp& head = DanRasp;
    head = ADanRasp{};
    head.kYh = byteCount(LNed.size());
    head.KPr = byteCount(LPredmet.size());
    head.kEn = byteCount(LENed.size());
    head.kZh = byteCount(LZachet.size());
    const uint8_t headBytes[ADanRasp::kSize] = {
        head.kYh,    head.KPr,     head.sizeYh, head.sizePr,    head.sizeAFpr, head.sizeYrKor,
        head.sizeYr, head.sizeDey, head.sizeZm, head.kEn,       head.sizeEn,   head.sizeEk,
        head.kZh,    head.sizeZh,  head.versZh, head.versDifZh, head.versEkZh, head.versGEkZh};
    w.bytes(headBytes, sizeof headBytes);
    w.u32(static_cast<uint32_t>(Dan.GN));
    w.u8(Dan.Kyrs);
    w.u32(static_cast<uint32_t>(Dan.DateSemm2));

    for (std::size_t p = 0; p < head.KPr; ++p) {
        TPredmet& pr = *LPredmet[p];
        pr.Dan.KFio = byteCount(pr.CountAllFio());
        if (pr.YrName() != nullptr) pr.Dan.NYrName = static_cast<uint16_t>(pr.YrName()->N);
        uint8_t rec[APredmet::kSize];
        pr.Dan.toBytes(rec);
        w.bytes(rec, sizeof rec);
        int written = 0;
        for (int ne = 1; ne <= kWeeks; ++ne) {
            for (auto& fp : pr.GetLFio(ne)) {
                if (written++ >= pr.Dan.KFio) break;
                fp->Dan.Ne = static_cast<uint8_t>(ne);
                fp->Dan.NFio = static_cast<uint16_t>(fp->Fio() != nullptr ? fp->Fio()->N : 0);
                fp->Dan.kYr = byteCount(fp->LYr.size());
                w.u8(fp->Dan.Ne);
                w.u16(fp->Dan.NFio);
                w.u8(fp->Dan.kYr);
                w.u16(fp->Dan.Nob);
                for (std::size_t i = 0; i < fp->Dan.kYr; ++i) writeLesson(w, *fp->LYr[i]);
            }
        }
    }

    for (std::size_t n = 0; n < head.kYh; ++n) {
        TNed& week = *LNed[n];
        std::vector<TYr*> otmena;
        for (int de = 1; de <= kDayCount; ++de)
            for (int y = 0; y < kPeriodCount; ++y)
                if (const TYrok* yrok = week.GetYrok(0, de, y))
                    for (TYr* zm : yrok->LZm)
                        if (zm->FioPredmet() == nullptr) otmena.push_back(zm);
        week.Dan.knyr = byteCount(week.LNYrok.size());
        week.Dan.kdop = byteCount(week.LDYrok.size());
        week.Dan.kzam = static_cast<uint16_t>(std::min<std::size_t>(week.LZYrok.size(), 255));
        week.Dan.kotm = static_cast<uint16_t>(std::min<std::size_t>(otmena.size(), 65535));
        uint8_t rec[ANed::kSize];
        week.Dan.toBytes(rec);
        w.bytes(rec, sizeof rec);
        auto writeItem = [&](const TYrokKorzina& item) {
            w.u8(item.Dan.N);
            w.u8(item.Dan.NN);
            w.u8(item.Dan.ky);
        };
        for (std::size_t i = 0; i < week.Dan.knyr; ++i) writeItem(*week.LNYrok[i]);
        for (std::size_t i = 0; i < week.Dan.kdop; ++i) writeItem(*week.LDYrok[i]);
        for (std::size_t i = 0; i < week.Dan.kzam; ++i) {
            auto& item = static_cast<TYrokKorzinaZamena&>(*week.LZYrok[i]);
            writeItem(item);
            const TLFio& teachers = item.LFio();
            for (const auto& fp : teachers)
                for (const auto& yr : fp->LYr)
                    if (yr->SetZamenaYes() && yr->YrokKorzina() == &item) writeReplaced(w, *yr);
            std::vector<std::pair<uint8_t, uint8_t>> counts;
            for (const auto& zk : item.LZmKorzina) {
                const int pos = zk->FFioPredmet != nullptr ? zk->FFioPredmet->GetIndex() : -1;
                if (pos >= 0 && pos < 256)
                    counts.emplace_back(static_cast<uint8_t>(pos), zk->FCountZm);
            }
            w.u8(byteCount(counts.size()));
            for (std::size_t c = 0; c < std::min<std::size_t>(counts.size(), 255); ++c) {
                w.u8(counts[c].first);
                w.u8(counts[c].second);
            }
        }
        for (std::size_t i = 0; i < week.Dan.kotm; ++i) {
            writeLesson(w, *otmena[i]);
            writeReplaced(w, *otmena[i]);
        }
    }

    for (std::size_t n = 0; n < head.kEn; ++n) {
        const TENed& eNed = *LENed[n];
        w.u8(static_cast<uint8_t>(eNed.Ne()));
        w.u16(static_cast<uint16_t>(eNed.CountEkzamen()));
        for (int d = 1; d <= kDayCount; ++d)
            for (const auto& e : eNed.mDey[static_cast<std::size_t>(d)]->LEkz) {
                w.u8(static_cast<uint8_t>(d));
                w.u16(static_cast<uint16_t>(e->Predmet != nullptr ? e->Predmet->Dan.N : 0));
                w.u16(static_cast<uint16_t>(e->FFio != nullptr ? e->FFio->N : 0));
                w.u16(static_cast<uint16_t>(e->FAtr != nullptr ? e->FAtr->N : 0));
                w.u16(e->Dan.Kh00);
                w.u8(e->Dan.Tm);
            }
    }

    for (std::size_t n = 0; n < head.kZh; ++n) {
        TZachet& z = *LZachet[n];
        const std::size_t ekzam = std::min<std::size_t>(z.LEkzam.size(), 255);
        const std::size_t asist = std::min<std::size_t>(z.LAsist.size(), 255);
        z.FDan.FPredmet = static_cast<uint8_t>(z.FPredmet != nullptr ? z.FPredmet->Dan.N : 0);
        z.FDan.FCountEkzam = static_cast<uint8_t>(ekzam);
        z.FDan.FCountAsist = static_cast<uint8_t>(asist);
        z.FDan.FAyd = static_cast<uint16_t>(z.FAyd != nullptr ? z.FAyd->N : 0);
        w.u8(z.FDan.FType);
        w.u8(z.FDan.FNe);
        w.u8(z.FDan.FDay);
        w.u16(z.FDan.FLength);
        w.u16(z.FDan.FStart);
        w.u8(z.FDan.FPredmet);
        w.u8(z.FDan.FCountEkzam);
        w.u8(z.FDan.FCountAsist);
        w.u16(z.FDan.FAyd);
        for (std::size_t i = 0; i < ekzam; ++i) w.u16(static_cast<uint16_t>(z.LEkzam[i]->N));
        for (std::size_t i = 0; i < asist; ++i) w.u16(static_cast<uint16_t>(z.LAsist[i]->N));
    }
    return std::move(w.out);
}

// --- reading

namespace {

class GroupReader {
public:
    GroupReader(TGryp& gryp, const TRefLookup& refs, const std::vector<uint8_t>& blob)
        : g(gryp), refs(refs), r(blob) {}

    void readHeader();
    void readSubject();
    void readWeek();
    void readExamWeek();
    void readZachet();

    TGryp& g;
    const TRefLookup& refs;
    Reader r;
    int vers = 100;
    ADanRasp h;

private:
    TYr* readLesson(TFioPredmet* fp);
    void readReplaced(TNed* week, TYr* zamena);
    void placeLesson(TNed* week, TYr* yr);
    void sortByWrittenIndex(TNed* week, bool zamena);
    void tieItem(TNed* week, TYrokKorzina* item, bool zamena);
    void convertOld(TNed* week);

    std::vector<OldZamena> old_;
    TNed* replacedWeek_ = nullptr;
};

void GroupReader::readHeader() {
    const uint8_t first = r.u8();
    const bool headerless = first >= kHeaderlessMin && first <= kHeaderlessMax;
    // A later version may hold parts this reader would drop on the next save.
    if (!headerless && (first < kFirstVers || first > TGryp::kVers))
        throw BlobRefused("unknown version " + std::to_string(first));
    std::size_t headSize = ADanRasp::kOldSize;
    uint8_t bytes[ADanRasp::kSize] = {};
    if (headerless) {
        // No version header: the first byte already is kYh.
        vers = kFirstVers;
        bytes[0] = first;
        r.record(bytes + 1, ADanRasp::kOldSize - 1, ADanRasp::kOldSize - 1);
    } else {
        vers = first;
        headSize = r.u8();
        if (headSize < ADanRasp::kOldSize)
            throw BlobRefused("a header of " + std::to_string(headSize) + " bytes");
        r.record(bytes, ADanRasp::kSize, headSize);
    }
    h.kYh = bytes[0];
    h.KPr = bytes[1];
    h.sizeYh = bytes[2];
    h.sizePr = bytes[3];
    h.sizeAFpr = bytes[4];
    h.sizeYrKor = bytes[5];
    h.sizeYr = bytes[6];
    h.sizeDey = bytes[7];
    h.sizeZm = bytes[8];
    if (headSize >= ADanRasp::kSize) {
        h.kEn = bytes[9];
        h.sizeEn = bytes[10];
        h.sizeEk = bytes[11];
        h.kZh = bytes[12];
        h.sizeZh = bytes[13];
    } else {
        // A shorter header announces no examinations or credits.
        h.kEn = headSize > 9 ? bytes[9] : 0;
        h.kZh = headSize > 12 ? bytes[12] : 0;
        if (headSize > 10) h.sizeEn = bytes[10];
        if (headSize > 11) h.sizeEk = bytes[11];
        if (headSize > 13) h.sizeZh = bytes[13];
    }
    // A record of no bytes would let a count repeat without reading anything.
    for (uint8_t size :
         {h.sizeYh, h.sizePr, h.sizeAFpr, h.sizeYrKor, h.sizeYr, h.sizeEn, h.sizeEk, h.sizeZh})
        if (size == 0) throw BlobRefused("a record size of 0");
    g.VersHeadr.Vers = static_cast<uint8_t>(headerless ? 0 : first);
    g.VersHeadr.Head = static_cast<uint8_t>(headSize);
    g.DanRasp = h;
    if (vers >= 102) {
        const auto gn = static_cast<int32_t>(r.u32());
        g.Dan.GN = vers >= 105 ? gn : 0;
    }
    if (vers >= 103) {
        const uint8_t kyrs = r.u8();
        g.Dan.Kyrs = kyrs == 0 ? 1 : kyrs;
        g.Dan.DateSemm2 = static_cast<int32_t>(r.u32());
    }
}

TYr* GroupReader::readLesson(TFioPredmet* fp) {
    AYr dan;
    uint8_t rec[AYr::kSize];
    dan.toBytes(rec);
    r.record(rec, AYr::kSize, h.sizeYr);
    dan.fromBytes(rec);
    std::unique_ptr<TYr> yr;
    if (dan.Zm == kZmZamena) {
        uint8_t zm[TZamena::kDanZmSize] = {};
        r.record(zm, sizeof zm, h.sizeZm);
        auto zamena = std::make_unique<TZamena>(fp);
        zamena->SetFioPredmet(fp);
        const uint16_t fi = getU16(zm);
        if (fi != 0)
            if (TFio* other = refs.Fio(fi)) zamena->SetFio(other);
        yr = std::move(zamena);
    } else {
        yr = std::make_unique<TYr>(fp);
        yr->SetFioPredmet(fp);
    }
    const uint16_t nay = dan.Nay;
    yr->Dan = dan;
    yr->Dan.Nay = 0;
    yr->SetAyd(refs.Ayd(nay));
    if (vers < 104 && dan.Zm == kZmOldStyle) {
        OldZamena old{yr.get(), r.u16(), r.u16(), r.u16(), r.u16(), r.u16()};
        yr->Dan.Zm = kZmNone;
        if (fp != nullptr) old_.push_back(old);
    }
    if (fp == nullptr) return nullptr;  // consumed only
    return fp->AdoptYr(std::move(yr));
}

void GroupReader::readSubject() {
    APredmet dan;
    uint8_t rec[APredmet::kSize];
    dan.toBytes(rec);
    r.record(rec, APredmet::kSize, h.sizePr);
    dan.fromBytes(rec);
    if (vers < 109) dan.Podg = 0;
    auto pr = std::make_unique<TPredmet>(&g, refs.YrName(dan.NYrName));
    const uint16_t nYrName = dan.NYrName;
    pr->Dan = dan;
    pr->Dan.NYrName = nYrName;
    TPredmet* added = nullptr;
    if (dan.N != 0 && g.FindPredmet(dan.N) == nullptr) {
        g.LPredmet.push_back(std::move(pr));
        added = g.LPredmet.back().get();
    }
    const bool wide = vers >= 108;
    int kept = 0;  // assignments taken, at most what KFio can count
    for (int a = 0; a < dan.KFio; ++a) {
        uint8_t fr[AFioPredmet::kSize] = {};
        r.record(fr, wide ? AFioPredmet::kSize : AFioPredmet::kOldSize, h.sizeAFpr);
        const int ne = fr[0];
        const uint16_t nFio = getU16(fr + 1);
        const uint8_t kYr = fr[3];
        const uint16_t nob = wide ? getU16(fr + 4) : fr[4];
        TFio* fio = refs.Fio(nFio);
        TFioPredmet* fp = nullptr;
        if (added != nullptr && fio != nullptr && ne >= 1 && ne <= kWeeks && kept < 255) {
            ++kept;
            auto& list = added->mLFio[static_cast<std::size_t>(ne)];
            list.push_back(std::make_unique<TFioPredmet>(added, ne, fio));
            fp = list.back().get();
            fp->Dan.Nob = nob;
            fp->Dan.kYr = kYr;
            fp->LYr.reserve(kYr);
            if (nob != 0)
                if (TAllRasp* god = g.God()) god->CreateOb(fp);
        }
        for (int i = 0; i < kYr; ++i) readLesson(fp);
    }
}

// Restores each period's order of writing, which the replaced-lesson indexes
// and a faithful rewrite depend on.
void GroupReader::sortByWrittenIndex(TNed* week, bool zamena) {
    auto byIndex = [](const TYr* a, const TYr* b) { return a->Dan.IndexYrDp < b->Dan.IndexYrDp; };
    auto sortList = [&](std::vector<TYr*>& list) {
        // Most periods hold one lesson: nothing to sort, nothing to allocate.
        if (list.size() > 1 && !std::is_sorted(list.begin(), list.end(), byIndex))
            std::stable_sort(list.begin(), list.end(), byIndex);
    };
    for (int de = 1; de <= kDayCount; ++de)
        for (int tip = 0; tip <= 1; ++tip)
            for (int y = 0; y < kPeriodCount; ++y)
                if (TYrok* yrok = week->GetYrok(tip, de, y)) {
                    if (zamena) {
                        sortList(yrok->LZm);
                    } else {
                        sortList(yrok->LYr);
                        sortList(yrok->LDp);
                    }
                }
}

void GroupReader::placeLesson(TNed* week, TYr* yr) {
    TDey* dey = week->Dey(yr->Dan.de);
    if (dey == nullptr || yr->Dan.tip > 1 || yr->Dan.y >= kPeriodCount) return;
    dey->CreateYrok(yr->Dan.tip, yr->Dan.y)->AddYr(yr);
}

void GroupReader::tieItem(TNed* week, TYrokKorzina* item, bool zamena) {
    for (const auto& fp : item->LFio())
        for (const auto& yr : fp->LYr) {
            if (yr->SetZamenaYes() != zamena || yr->YrokKorzina() != nullptr) continue;
            if (yr->Dan.NN != item->Dan.NN) continue;
            yr->SetYrokKorzina(item);
            placeLesson(week, yr.get());
            if (zamena) readReplaced(week, yr.get());
        }
}

void GroupReader::readReplaced(TNed* week, TYr* zamena) {
    const uint8_t count = r.u8();
    for (int i = 0; i < count; ++i) {
        const uint8_t indx = r.u8();
        const TYrok* yrok = zamena != nullptr ? zamena->Yrok() : nullptr;
        if (yrok == nullptr) continue;
        for (int k = 0; k < yrok->CountYrDp(); ++k) {
            TYr* yr = yrok->YrDpZm(k);
            if (yr->Dan.IndexYrDp == indx) {
                week->LinkZamena(zamena, yr);
                break;
            }
        }
    }
}

void GroupReader::readWeek() {
    ANed dan;
    uint8_t rec[ANed::kSize] = {};
    r.record(rec, ANed::kSize, h.sizeYh);
    dan.fromBytes(rec);
    if (vers < 104) dan.kzam = dan.kotm = 0;
    if (dan.Dt1 < 10) {
        const int d1 = dan.Dt1;
        const int d6 = dan.Dt6;
        dan.Yd = 1;
        if (d1 >= 1 && d1 <= d6 && d6 <= kDayCount)
            for (int d = d1; d <= d6; ++d) dan.Yd |= static_cast<uint8_t>(1u << d);
        dan.Dt1 = 10;
        dan.Dt6 = 0;
    }
    const int ne = dan.N;
    // A week out of range or repeated is read to keep in step, then dropped.
    const bool keep = ne >= 1 && ne <= kWeeks && g.GetNed(ne) == nullptr;
    std::unique_ptr<TNed> dropped;
    TNed* week = nullptr;
    if (keep) {
        week = g.SetNed(ne);
    } else {
        dropped = std::make_unique<TNed>(&g, 0);
        week = dropped.get();
    }
    week->Dan = dan;

    auto readItems = [&](int count, uint8_t setka) {
        for (int i = 0; i < count; ++i) {
            uint8_t ir[AYrokKorzina::kSize] = {};
            r.record(ir, AYrokKorzina::kSize, h.sizeYrKor);
            TPredmet* pr = keep ? g.FindPredmet(ir[0]) : nullptr;
            if (pr == nullptr || ir[1] == 0 || week->FindYrokKorzinaNN(ir[1]) != nullptr) {
                if (setka == kSetkaZamena) throw BlobOverrun();  // its lists cannot be skipped
                continue;
            }
            std::unique_ptr<TYrokKorzina> item;
            if (setka == kSetkaZamena)
                item = std::make_unique<TYrokKorzinaZamena>(week, pr);
            else
                item = std::make_unique<TYrokKorzina>(week, setka, pr);
            item->Dan.N = ir[0];
            item->Dan.NN = ir[1];
            item->Dan.ky = ir[2];
            TYrokKorzina* raw = item.get();
            week->LKorzina(setka).push_back(std::move(item));
            if (setka != kSetkaZamena) {
                tieItem(week, raw, false);
                continue;
            }
            tieItem(week, raw, true);
            auto* zk = static_cast<TYrokKorzinaZamena*>(raw);
            if (vers > 105) {
                const uint8_t n = r.u8();
                for (int c = 0; c < n; ++c) {
                    const uint8_t pos = r.u8();
                    const uint8_t cnt = r.u8();
                    const TLFio& teachers = zk->LFio();
                    if (pos < teachers.size() && zk->FindZmKorzina(teachers[pos].get()) == nullptr)
                        zk->CreateZmKorzina(teachers[pos].get())->FCountZm = cnt;
                }
            } else {
                for (const auto& fp : zk->LFio()) zk->CreateZmKorzina(fp.get())->FCountZm = 1;
            }
        }
    };
    readItems(dan.knyr, kSetkaPlan);
    if (vers > 100) readItems(dan.kdop, kSetkaDop);
    // The replaced-lesson indexes refer to the order of writing.
    sortByWrittenIndex(week, false);
    readItems(dan.kzam, kSetkaZamena);
    for (int i = 0; i < dan.kotm; ++i) {
        AYr zd;
        uint8_t zr[AYr::kSize];
        zd.toBytes(zr);
        r.record(zr, AYr::kSize, h.sizeYr);
        zd.fromBytes(zr);
        uint8_t ext[TZamena::kDanZmSize] = {};
        r.record(ext, sizeof ext, h.sizeZm);
        auto zm = std::make_unique<TZamena>(week);
        zm->Dan = zd;
        zm->Dan.Zm = kZmZamena;
        zm->Dan.Nay = 0;
        zm->SetAyd(refs.Ayd(zd.Nay));
        zm->SetFio(refs.Fio(getU16(ext)));
        TYr* placed = nullptr;
        if (keep && zd.tip == 0) {
            TZamena* own = week->AdoptOtmena(std::move(zm));
            placeLesson(week, own);
            if (own->Yrok() != nullptr)
                placed = own;
            else
                week->DestroyYr(own);
        }
        readReplaced(week, placed);
    }
    week->Dan.kzam = static_cast<uint16_t>(week->LZYrok.size());
    sortByWrittenIndex(week, true);
    if (keep && vers < 104) convertOld(week);
}

void GroupReader::convertOld(TNed* week) {
    const int ne = week->Ne();
    for (const OldZamena& old : old_) {
        TYr* yr = old.yr;
        if (yr->Yrok() == nullptr || yr->FioPredmet() == nullptr || yr->FioPredmet()->Ne() != ne)
            continue;
        TPredmet* pr = g.FindFirstPredmetForYrName(old.nn);
        if (pr == nullptr) continue;
        TFio* fio = refs.Fio(old.fi);
        TFioPredmet* fp = nullptr;
        TLFio& teachers = pr->GetLFio(ne);
        for (const auto& candidate : teachers)
            if (fio != nullptr && candidate->Fio() == fio) fp = candidate.get();
        if (fp == nullptr && !teachers.empty()) fp = teachers.front().get();
        if (fp == nullptr && fio != nullptr) fp = pr->AddFio(ne, fio);
        if (fp == nullptr) continue;
        TYrokKorzina* item = week->FindYrokKorzina(kSetkaZamena, pr);
        if (item == nullptr) {
            item = week->AddYrokKorzina(new TYrokKorzinaZamena(week, pr), fp);
        } else {
            static_cast<TYrokKorzinaZamena*>(item)->AddZmKorzina(fp);
        }
        if (item == nullptr) continue;
        TYr* zm = week->AddYrRas(0, yr->De(), yr->Y(), item, fp);
        if (zm == nullptr) continue;
        if (fio != nullptr && fio != fp->Fio()) static_cast<TZamena*>(zm)->SetFio(fio);
        zm->Dan.NAt = old.nat;
        zm->Dan.Kh00 = old.kh00;
        zm->SetAyd(refs.Ayd(old.nay));
        TNed::LinkZamena(zm, yr);
    }
    week->Dan.kzam = static_cast<uint16_t>(week->LZYrok.size());
}

void GroupReader::readExamWeek() {
    uint8_t er[TENed::kSize] = {};
    r.record(er, TENed::kSize, h.sizeEn);
    const int ne = er[0];
    const uint16_t count = getU16(er + 1);
    struct Entry {
        int de;
        TPredmet* pr;
        TFio* fio;
        TAtr* atr;
        uint16_t kh00;
        uint8_t tm;
    };
    // All entries are read before the week exists: a blob cut short inside
    // them leaves no empty week behind.
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        uint8_t rec[AEkzamen::kSize] = {};
        r.record(rec, AEkzamen::kSize, h.sizeEk);
        const int de = rec[0];
        TPredmet* pr = g.FindPredmet(getU16(rec + 1));
        TFio* fio = refs.Fio(getU16(rec + 3));
        TAtr* atr = g.Spisok != nullptr ? g.Spisok->Atribyt.AtrNumer(getU16(rec + 5)) : nullptr;
        if (ne < 1 || ne > kWeeks || de < 1 || de > kDayCount || pr == nullptr || fio == nullptr ||
            atr == nullptr)
            continue;
        entries.push_back({de, pr, fio, atr, getU16(rec + 7), vers >= 106 ? rec[9] : uint8_t{0}});
    }
    if (entries.empty()) return;
    TENed* eNed = g.SetENed(ne);
    for (const Entry& entry : entries) {
        TEDey& day = *eNed->mDey[static_cast<std::size_t>(entry.de)];
        auto e = std::make_unique<TEkzamen>(&day);
        e->Dan.de = static_cast<uint8_t>(entry.de);
        e->Dan.Kh00 = entry.kh00;
        e->Dan.Tm = entry.tm;
        e->SetFio(entry.fio);
        e->SetAtr(entry.atr);
        e->SetPredmet(entry.pr);
        day.LEkz.push_back(std::move(e));
    }
}

void GroupReader::readZachet() {
    uint8_t rec[AZachet::kSize] = {};
    r.record(rec, AZachet::kSize, h.sizeZh);
    auto z = createZachet(&g, rec[0]);
    z->FDan.FNe = rec[1];
    z->FDan.FDay = rec[2];
    z->FDan.FLength = getU16(rec + 3);
    z->FDan.FStart = getU16(rec + 5);
    const uint8_t countEkzam = rec[8];
    const uint8_t countAsist = rec[9];
    z->SetPredmet(g.FindPredmet(rec[7]));
    z->SetAyd(refs.Ayd(getU16(rec + 10)));
    for (int i = 0; i < countEkzam; ++i) z->AddEkzam(refs.Fio(r.u16()));
    for (int i = 0; i < countAsist; ++i) z->AddAsist(refs.Fio(r.u16()));
    g.LZachet.push_back(std::move(z));
}

}  // namespace

bool TGryp::ReadRasp(const std::vector<uint8_t>& blob, const TRefLookup* lookup) {
    Clear();
    BlobFault.clear();
    modifiRasp = false;
    // A group row without a blob yet: nothing written, nothing to read.
    if (blob.empty()) return true;
    std::unique_ptr<TRefLookup> own;
    if (lookup == nullptr) {
        if (Spisok == nullptr) return false;
        own = std::make_unique<TRefLookup>(*Spisok);
        lookup = own.get();
    }
    const AGryp dan = Dan;
    GroupReader reader(*this, *lookup, blob);
    // One message per failure: the subject or week it broke in, else the group.
    std::string message;
    try {
        // The shortest blob any version wrote is the 9-byte headerless one.
        if (blob.size() < ADanRasp::kOldSize)
            throw BlobRefused(std::to_string(blob.size()) + " bytes, too short for a header");
        try {
            reader.readHeader();
        } catch (const BlobOverrun&) {
            throw BlobRefused("cut short in its header");
        }
        int part = 0;
        try {
            for (part = 0; part < reader.h.KPr; ++part) reader.readSubject();
        } catch (const BlobOverrun& e) {
            BlobFault = std::string(e.what()) + " in subject " + std::to_string(part);
            message = "Ошибка при чтении Гр." + FName + " предмет=" + std::to_string(part);
        }
        if (message.empty()) try {
                for (part = 0; part < reader.h.kYh; ++part) reader.readWeek();
            } catch (const BlobOverrun& e) {
                BlobFault = std::string(e.what()) + " in week " + std::to_string(part);
                message = "Ошибка при чтении Гр." + FName + " урок=" + std::to_string(part);
            }
        if (message.empty()) {
            for (int i = 0; i < reader.h.kEn; ++i) reader.readExamWeek();
            for (int i = 0; i < reader.h.kZh; ++i) reader.readZachet();
            if (reader.r.left() != 0)
                throw BlobRefused(std::to_string(reader.r.left()) + " bytes after the last record");
        }
    } catch (const BlobOverrun& e) {
        BlobFault = std::string(e.what()) + " in its examinations or credits";
    } catch (const BlobRefused& e) {
        BlobFault = e.what();
    }
    if (BlobFault.empty()) {
        // What found no place in a week is gone, as on the next write.
        for (const auto& pr : LPredmet)
            for (auto& list : pr->mLFio)
                for (auto& fp : list)
                    fp->LYr.erase(
                        std::remove_if(fp->LYr.begin(), fp->LYr.end(),
                                       [](const auto& yr) { return yr->Yrok() == nullptr; }),
                        fp->LYr.end());
        modifiRasp = false;
        return true;
    }
    // Half a timetable saved later would pass for the whole one.
    Clear();
    Dan = dan;
    DanRasp = ADanRasp{};
    VersHeadr = ADanHeadr{};
    modifiRasp = false;
    if (message.empty())
        message = "Ошибка при чтении данных группы " + FName + "\n" +
                  "Расписание этой группы имеет ошибку";
    if (Spisok != nullptr) Spisok->ShowUser(message);
    return false;
}

}  // namespace zavlin
