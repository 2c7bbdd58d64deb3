#include "cli/group_decode.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <set>
#include <system_error>

#include "base/core_hooks.h"
#include "base/datetime.h"
#include "base/little_endian.h"
#include "base/my_dialog.h"
#include "model/group.h"
#include "model/timetable.h"
#include "storage/table_blob.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;

// The layout constants of the group blob, as the model's reader knows them.
constexpr int kWeekCount = 56;
constexpr uint8_t kFirstVers = 100;
constexpr uint8_t kLastVers = TGryp::kVers;
constexpr std::size_t kHeadSize = 18;
constexpr std::size_t kOldHeadSize = 9;
constexpr std::size_t kSubjectSize = 15;
constexpr std::size_t kAssignSize = 6;
constexpr std::size_t kOldAssignSize = 5;
constexpr std::size_t kItemSize = 3;
constexpr std::size_t kLessonSize = 13;
constexpr std::size_t kWeekSize = 11;
constexpr std::size_t kZamenaSize = 2;
constexpr std::size_t kExamWeekSize = 3;
constexpr std::size_t kExamSize = 10;
constexpr std::size_t kCreditSize = 12;
constexpr std::size_t kOldZamenaBytes = 10;
constexpr uint8_t kZmOld = kZmOldStyle;
constexpr uint8_t kZmSubstitute = kZmZamena;

const std::array<const char*, 7> kDayNames = {"?", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};

// Where the walk stopped, and why.
struct Fault {
    std::size_t at;
    std::string why;
};

class Cursor {
public:
    explicit Cursor(const std::vector<uint8_t>& bytes) : b_(bytes) {}
    std::size_t pos() const { return pos_; }
    std::size_t left() const { return b_.size() - pos_; }
    uint8_t u8(const char* what) {
        need(1, what);
        return b_[pos_++];
    }
    uint16_t u16(const char* what) {
        need(2, what);
        const uint16_t v = getU16(&b_[pos_]);
        pos_ += 2;
        return v;
    }
    uint32_t u32(const char* what) {
        need(4, what);
        const uint32_t v = getU32(&b_[pos_]);
        pos_ += 4;
        return v;
    }
    // A record stored as `size` bytes over `out` (holding the defaults): the
    // first min(size, out.size()) bytes land, the excess is skipped.
    template <std::size_t N>
    void record(std::array<uint8_t, N>& out, std::size_t size, const char* what) {
        need(size, what);
        std::copy_n(b_.begin() + static_cast<std::ptrdiff_t>(pos_), std::min(N, size), out.begin());
        pos_ += size;
    }

private:
    void need(std::size_t n, const char* what) const {
        if (left() < n)
            throw Fault{pos_,
                        fmt::format("cut short: {} needs {} bytes, {} left", what, n, left())};
    }
    const std::vector<uint8_t>& b_;
    std::size_t pos_ = 0;
};

struct Lesson {
    int ne = 0;
    int nFio = 0;    // the assignment's teacher
    int actual = 0;  // a substitute's own teacher, 0 = the assignment's
    std::string subject;
    uint8_t nn = 0, tip = 0, de = 0, y = 0, zm = 0, index = 0;
    uint16_t nay = 0, nat = 0, kh00 = 0, nob = 0;
    bool tied = false;
    bool cancellation = false;
};

struct Subject {
    std::string name;
    std::vector<std::size_t> kept;  // lessons of assignments the reader keeps
};

std::string named(const std::map<int, std::string>& names, int n) {
    if (n == 0) return "-";
    auto it = names.find(n);
    return it != names.end() ? fmt::format("{} (#{})", it->second, n) : fmt::format("#{}", n);
}

std::string plain(const std::map<int, std::string>& names, int n) {
    auto it = names.find(n);
    return it != names.end() ? it->second : fmt::format("#{}", n);
}

std::string hours(uint16_t kh00) {
    return fmt::format("{}.{:02}", kh00 / 100, kh00 % 100);
}

std::string dayName(int de) {
    return de >= 1 && de <= 6 ? kDayNames[static_cast<std::size_t>(de)] : fmt::format("day {}", de);
}

class Walk {
public:
    Walk(const std::vector<uint8_t>& blob, const BlobNames& names) : r(blob), names_(names) {}

    void run();
    std::string out;
    std::string where = "the header";
    Cursor r;

private:
    void header();
    void subject(int index);
    std::size_t lesson(int ne, int nFio, uint16_t nob, const std::string& subjectName,
                       const std::string& indent, bool cancellation = false);
    void week(int index);
    void replaced(const std::string& indent);
    void examWeek(int index);
    void credit(int index);
    void timetable();
    std::string lessonText(const Lesson& l) const;

    const BlobNames& names_;
    int vers = kFirstVers;
    std::array<uint8_t, kHeadSize> h{};
    std::map<int, Subject> subjects_;
    std::set<int> weeks_;
    std::vector<Lesson> lessons_;
};

void Walk::header() {
    const uint8_t first = r.u8("the version byte");
    const bool headerless = first >= 1 && first <= kWeekCount;
    std::size_t headSize = kOldHeadSize;
    // Defaults of the fields an old header lacks.
    h = {0, 0, 11, 15, 6, 3, 13, 1, 2, 0, 3, 10, 0, 12, 1, 1, 1, 1};
    if (headerless) {
        std::array<uint8_t, kOldHeadSize - 1> rest{};
        r.record(rest, rest.size(), "the header");
        h[0] = first;
        std::copy(rest.begin(), rest.end(), h.begin() + 1);
        out += fmt::format("  @0 no version header: version 100, a {}-byte header\n", headSize);
    } else {
        if (first < kFirstVers || first > kLastVers)
            throw Fault{0, fmt::format("unknown version {}", first)};
        vers = first;
        headSize = r.u8("the header size");
        if (headSize < kOldHeadSize) throw Fault{1, fmt::format("a header of {} bytes", headSize)};
        r.record(h, headSize, "the header");
        out += fmt::format("  @0 version {}, a {}-byte header\n", vers, headSize);
    }
    out += fmt::format(
        "  @{} header: weeks kYh={} subjects KPr={} exam weeks kEn={} credits kZh={}; record "
        "sizes week={} subject={} assignment={} item={} lesson={} day={} substitution={} exam "
        "week={} exam={} credit={}\n",
        headerless ? 0 : 2, h[0], h[1], h[9], h[12], h[2], h[3], h[4], h[5], h[6], h[7], h[8],
        h[10], h[11], h[13]);
    for (std::size_t i : {2, 3, 4, 5, 6, 10, 11, 13})
        if (h[i] == 0) throw Fault{headerless ? i : i + 2, "a record size of 0"};
    if (vers >= 102) {
        const std::size_t at = r.pos();
        const auto gn = static_cast<int32_t>(r.u32("GN"));
        out += fmt::format("  @{} GN={}{}\n", at, gn, vers >= 105 ? "" : " (ignored before 105)");
    }
    if (vers >= 103) {
        const std::size_t at = r.pos();
        const uint8_t kyrs = r.u8("Kyrs");
        const auto sem2 = static_cast<int32_t>(r.u32("DateSemm2"));
        out += fmt::format("  @{} course Kyrs={} second semester DateSemm2={}{}\n", at, kyrs, sem2,
                           sem2 != 0 ? " = " + dateText(sem2) : "");
    }
}

// A cancellation always carries the substitution's teacher, whatever its Zm.
std::size_t Walk::lesson(int ne, int nFio, uint16_t nob, const std::string& subjectName,
                         const std::string& indent, bool cancellation) {
    const std::size_t at = r.pos();
    std::array<uint8_t, kLessonSize> rec{0, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 0};
    r.record(rec, h[6], "a lesson");
    Lesson l;
    l.ne = ne;
    l.nFio = nFio;
    l.nob = nob;
    l.subject = subjectName;
    l.nn = rec[0];
    l.tip = rec[1];
    l.de = rec[2];
    l.y = rec[3];
    l.nay = getU16(&rec[4]);
    l.nat = getU16(&rec[6]);
    l.kh00 = getU16(&rec[8]);
    l.zm = rec[11];
    l.index = rec[12];
    std::string extra;
    if (cancellation) l.zm = kZmSubstitute;
    if (l.zm == kZmSubstitute) {
        std::array<uint8_t, kZamenaSize> zm{};
        r.record(zm, h[8], "a substitution's teacher");
        l.actual = getU16(zm.data());
        extra = fmt::format(" substitution, teacher {}", named(names_.fio, l.actual));
    } else if (vers < 104 && l.zm == kZmOld) {
        const std::size_t oldAt = r.pos();
        std::array<uint8_t, kOldZamenaBytes> old{};
        r.record(old, old.size(), "an old substitution block");
        // The model turns the block into a substitution replacing this lesson.
        l.zm = kZmReplaced;
        extra = fmt::format(" replaced (old block @{}: subject name {} teacher {} room {})", oldAt,
                            named(names_.yrName, getU16(&old[0])),
                            named(names_.fio, getU16(&old[2])), named(names_.ayd, getU16(&old[4])));
    }
    out += fmt::format(
        "{}@{} lesson item NN={} layer {} {} period {} room {} kind {} hours {} YOk={} Zm={} "
        "index {}{}\n",
        indent, at, l.nn, l.tip, dayName(l.de), l.y, named(names_.ayd, l.nay),
        l.nat == 0 ? "Сетка" : named(names_.atr, l.nat), hours(l.kh00), rec[10], rec[11], l.index,
        extra);
    lessons_.push_back(std::move(l));
    return lessons_.size() - 1;
}

void Walk::subject(int index) {
    where = fmt::format("subject {}", index);
    const std::size_t at = r.pos();
    std::array<uint8_t, kSubjectSize> rec{};
    rec[12] = 1;  // Spar
    r.record(rec, h[3], "a subject");
    const int n = rec[0];
    const int nYrName = getU16(&rec[1]);
    const std::string name = plain(names_.yrName, nYrName);
    const bool added = n != 0 && !subjects_.contains(n);
    out += fmt::format(
        "  @{} subject {} N={} name {} GNYrName={} GNPredmetYp={} subgroups Podg={} TipDRKM={} "
        "GDel={} RazN={} assignments KFio={} in a row Spar={} Sem1={} Sem2={}{}\n",
        at, index, n, named(names_.yrName, nYrName), getU16(&rec[3]), getU16(&rec[5]),
        vers < 109 ? 0 : rec[7], rec[8], rec[9], rec[10], rec[11], rec[12], rec[13], rec[14],
        added ? "" : " (dropped: number 0 or repeated)");
    if (added) subjects_[n].name = name;
    const bool wide = vers >= 108;
    int kept = 0;
    for (int a = 0; a < rec[11]; ++a) {
        const std::size_t fat = r.pos();
        std::array<uint8_t, kAssignSize> fr{};
        r.record(fr, h[4], "a teacher assignment");
        const int ne = fr[0];
        const int nFio = getU16(&fr[1]);
        const int kYr = fr[3];
        const uint16_t nob = wide ? getU16(&fr[4]) : fr[4];
        const bool keep = added && nFio != 0 && ne >= 1 && ne <= kWeekCount && kept < 255;
        if (keep) ++kept;
        out += fmt::format("    @{} week {} teacher {} lessons {} union {}{}\n", fat, ne,
                           named(names_.fio, nFio), kYr, nob, keep ? "" : " (dropped)");
        for (int i = 0; i < kYr; ++i) {
            const std::size_t l = lesson(ne, nFio, nob, name, "      ");
            if (keep) subjects_[n].kept.push_back(l);
        }
    }
}

void Walk::replaced(const std::string& indent) {
    const std::size_t at = r.pos();
    const uint8_t count = r.u8("a replaced-lesson count");
    std::string list;
    for (int i = 0; i < count; ++i) list += fmt::format(" {}", r.u8("a replaced-lesson index"));
    out += fmt::format("{}@{} replaces {} lesson(s) of the period, indexes:{}\n", indent, at, count,
                       list.empty() ? " none" : list);
}

void Walk::week(int index) {
    where = fmt::format("week {}", index);
    const std::size_t at = r.pos();
    std::array<uint8_t, kWeekSize> rec{0, 0, 0, 0, 10};
    r.record(rec, h[2], "a week");
    const int ne = rec[0];
    const int kdop = vers > 100 ? rec[1] : 0;
    const int knyr = rec[2];
    const int kotm = vers < 104 ? 0 : getU16(&rec[7]);
    const int kzam = vers < 104 ? 0 : getU16(&rec[9]);
    const bool keep = ne >= 1 && ne <= kWeekCount && !weeks_.contains(ne);
    if (keep) weeks_.insert(ne);
    std::string days;
    if (rec[4] < 10) {
        days = fmt::format("old days {}-{}", rec[4], rec[5]);
    } else {
        for (int d = 1; d <= 6; ++d)
            if ((rec[3] >> d) & 1) days += std::string(days.empty() ? "" : ",") + kDayNames[d];
        if (days.empty()) days = "none";
    }
    out += fmt::format(
        "  @{} week {} N={} study days {} (Yd={}) synchronised from {} plan items {} additional "
        "items {} substitution items {} cancellations {}{}\n",
        at, index, ne, days, rec[3], rec[6], knyr, kdop, kzam, kotm,
        keep ? "" : " (dropped: out of range or repeated)");
    std::set<int> numbers;
    auto item = [&](const char* kind, bool substitution) {
        const std::size_t iat = r.pos();
        std::array<uint8_t, kItemSize> ir{};
        r.record(ir, h[5], "a load item");
        const auto it = keep ? subjects_.find(ir[0]) : subjects_.end();
        const bool placed = it != subjects_.end() && ir[1] != 0 && !numbers.contains(ir[1]);
        out += fmt::format("    @{} {} item subject N={} {} NN={} lessons per teacher ky={}{}\n",
                           iat, kind, ir[0], it != subjects_.end() ? it->second.name : "?", ir[1],
                           ir[2], placed ? "" : " (dropped)");
        if (!placed) {
            // Its replaced-lesson lists cannot be told apart from what follows.
            if (substitution) throw Fault{iat, "a substitution item of no subject"};
            return;
        }
        numbers.insert(ir[1]);
        for (std::size_t l : it->second.kept) {
            Lesson& lesson = lessons_[l];
            if (lesson.ne != ne || lesson.tied || lesson.nn != ir[1]) continue;
            if ((lesson.zm == kZmSubstitute) != substitution) continue;
            lesson.tied = true;
            if (substitution) replaced("      ");
        }
        if (!substitution) return;
        if (vers > 105) {
            const std::size_t cat = r.pos();
            const uint8_t n = r.u8("a substitution count");
            std::string list;
            for (int c = 0; c < n; ++c) {
                const uint8_t pos = r.u8("a substitution count");
                const uint8_t cnt = r.u8("a substitution count");
                list += fmt::format(" teacher {}: {}", pos, cnt);
            }
            out += fmt::format("      @{} substitutions per teacher:{}\n", cat,
                               list.empty() ? " none" : list);
        }
    };
    for (int i = 0; i < knyr; ++i) item("plan", false);
    for (int i = 0; i < kdop; ++i) item("additional", false);
    for (int i = 0; i < kzam; ++i) item("substitution", true);
    for (int i = 0; i < kotm; ++i) {
        const std::size_t l = lesson(ne, 0, 0, "", "    cancellation ", true);
        lessons_[l].cancellation = keep && lessons_[l].tip == 0;
        replaced("      ");
    }
}

void Walk::examWeek(int index) {
    where = fmt::format("examination week {}", index);
    const std::size_t at = r.pos();
    std::array<uint8_t, kExamWeekSize> rec{};
    r.record(rec, h[10], "an examination week");
    const int count = getU16(&rec[1]);
    out += fmt::format("  @{} examination week {} N={} entries {}\n", at, index, rec[0], count);
    for (int i = 0; i < count; ++i) {
        const std::size_t eat = r.pos();
        std::array<uint8_t, kExamSize> e{};
        r.record(e, h[11], "an examination");
        const auto pr = subjects_.find(getU16(&e[1]));
        out += fmt::format("    @{} {} subject {} teacher {} attribute {} hours {} Tm={}\n", eat,
                           dayName(e[0]), pr != subjects_.end() ? pr->second.name : "?",
                           named(names_.fio, getU16(&e[3])), named(names_.atr, getU16(&e[5])),
                           hours(getU16(&e[7])), vers >= 106 ? e[9] : 0);
    }
}

void Walk::credit(int index) {
    where = fmt::format("credit {}", index);
    const std::size_t at = r.pos();
    std::array<uint8_t, kCreditSize> c{};
    r.record(c, h[13], "a credit");
    const auto pr = subjects_.find(c[7]);
    std::string people;
    for (int i = 0; i < c[8]; ++i) people += " examiner " + named(names_.fio, r.u16("an examiner"));
    for (int i = 0; i < c[9]; ++i)
        people += " assistant " + named(names_.fio, r.u16("an assistant"));
    out += fmt::format(
        "  @{} credit {} type {} week {} {} start {} length {} subject {} room {}{}\n", at, index,
        c[0], c[1], c[2] == 0 ? "unplaced" : dayName(c[2]), getU16(&c[5]), getU16(&c[3]),
        pr != subjects_.end() ? pr->second.name : "?", named(names_.ayd, getU16(&c[10])), people);
}

std::string Walk::lessonText(const Lesson& l) const {
    std::string s;
    if (l.cancellation) {
        s = "cancelled";
    } else {
        s = l.subject + ", " + plain(names_.fio, l.nFio);
        if (l.zm == kZmSubstitute) s = "substitution: " + s;
    }
    if (l.zm == kZmSubstitute && l.actual != 0) s += ", taught by " + plain(names_.fio, l.actual);
    if (l.zm == kZmReplaced) s += " (replaced)";
    if (l.nay != 0) s += ", room " + plain(names_.ayd, l.nay);
    s += ", " + (l.nat == 0 ? std::string("Сетка") : plain(names_.atr, l.nat));
    s += ", " + hours(l.kh00) + " h";
    if (l.nob != 0) s += fmt::format(", union {}", l.nob);
    return s;
}

void Walk::timetable() {
    out += "  timetable\n";
    for (int ne : weeks_) {
        std::vector<const Lesson*> list;
        for (const auto& [n, subject] : subjects_)
            for (std::size_t l : subject.kept)
                if (lessons_[l].ne == ne && lessons_[l].tied) list.push_back(&lessons_[l]);
        for (const Lesson& l : lessons_)
            if (l.cancellation && l.ne == ne) list.push_back(&l);
        std::stable_sort(list.begin(), list.end(), [](const Lesson* a, const Lesson* b) {
            return std::tie(a->tip, a->de, a->y, a->index) <
                   std::tie(b->tip, b->de, b->y, b->index);
        });
        out += fmt::format("    week {}: {} lesson(s)\n", ne, list.size());
        for (const Lesson* l : list)
            out += fmt::format("      {}{} period {}: {}\n", l->tip == 0 ? "" : "preliminary ",
                               dayName(l->de), l->y, lessonText(*l));
    }
}

void Walk::run() {
    header();
    for (int i = 0; i < h[1]; ++i) subject(i);
    for (int i = 0; i < h[0]; ++i) week(i);
    for (int i = 0; i < h[9]; ++i) examWeek(i);
    for (int i = 0; i < h[12]; ++i) credit(i);
    where = "the tail";
    if (r.left() != 0)
        throw Fault{r.pos(), fmt::format("{} bytes after the last record", r.left())};
    timetable();
}

void readNames(const fs::path& folder, const char* table, const char* field,
               std::map<int, std::string>& names) {
    std::error_code ec;
    if (!fs::exists(folder / (std::string(table) + ".b0"), ec)) return;
    // A damaged name table is no reason to stop; its messages stay quiet.
    TScriptedDialog quiet;
    TCoreHooks hooks(quiet);
    TTableBlob t(hooks);
    t.SetDatabaseName(folder.string() + "/");
    t.SetTableName(std::string(table) + ".b0");
    if (!t.OpenReadOnly()) return;
    try {
        TField* key = t.FieldByName("N");
        TField* name = t.FieldByName(field);
        if (key != nullptr && name != nullptr)
            for (t.First(); !t.Eof(); t.Next()) names[key->asInteger()] = name->asString();
    } catch (const std::exception&) {
        // A damaged name table: the numbers print without names.
    }
    t.Close();
}

}  // namespace

BlobNames readBlobNames(const fs::path& folder) {
    BlobNames names;
    readNames(folder, "YmFio", "Name", names.fio);
    readNames(folder, "YmYrok", "Yrok", names.yrName);
    readNames(folder, "YmAyd", "Klass", names.ayd);
    readNames(folder, "YmAtribyt", "Name", names.atr);
    return names;
}

GroupDecode decodeGroupBlob(const std::vector<uint8_t>& blob, const BlobNames& names) {
    GroupDecode d;
    if (blob.empty()) {
        d.ok = true;
        d.text = "  no timetable written yet\n";
        return d;
    }
    Walk walk(blob, names);
    try {
        // The shortest blob any version wrote is the 9-byte headerless one.
        if (blob.size() < kOldHeadSize)
            throw Fault{0, fmt::format("{} bytes, too short for a header", blob.size())};
        walk.run();
        d.ok = true;
    } catch (const Fault& f) {
        d.failedAt = f.at;
        d.fault = f.why;
        walk.out += fmt::format("  failed at byte {} of {}, in {}: {}\n", f.at, blob.size(),
                                walk.where, f.why);
    }
    d.text = std::move(walk.out);
    return d;
}

}  // namespace zavlin::cli
