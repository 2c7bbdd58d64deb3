#include "export/curriculum_import.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "base/my_dialog.h"
#include "base/text.h"
#include "export/xml_document.h"
#include "model/god.h"
#include "model/name_text.h"
#include "storage/year_database.h"

namespace zavlin::exporting {

namespace {

// One study day of "Graf", in the code page the calendars are written in.
constexpr char kStudyDayByte = '\xD3';  // "У"
constexpr int kFirstTypicalWeek = 53;
const std::string kPlanRefused = "Файл учебного плана не может быть импортирован: ";

std::string cut(std::string_view s, std::size_t chars) {
    return std::string(utf8Prefix(s, chars));
}

std::size_t charCount(std::string_view s) {
    return utf8ToCp1251(s).size();
}

// Reads the document's numbers with the element named in the refusal.
class Reader {
public:
    explicit Reader(std::string& message) : message_(message) {}

    bool number(const TXMLDan* value, const std::string& where, int lo, int hi, int& out) {
        out = 0;
        if (value == nullptr) return true;
        int32_t v = 0;
        std::string why;
        if (!value->asInteger(v, &why)) return fail(where + ": " + why);
        if (v < lo || v > hi)
            return fail(fmt::format("{}: значение {} вне допустимого ({}..{})", where, v, lo, hi));
        out = v;
        return true;
    }
    bool atr(const TXMLObject* o, std::string_view name, const std::string& where, int lo, int hi,
             int& out) {
        return number(o->FindXMLAtr(name), where + " " + std::string(name), lo, hi, out);
    }
    bool field(const TXMLObject* o, std::string_view name, const std::string& where, int lo, int hi,
               int& out) {
        return number(o->FindXMLField(name), where + " " + std::string(name), lo, hi, out);
    }
    bool fail(const std::string& why) {
        message_ = kPlanRefused + why;
        return false;
    }

private:
    std::string& message_;
};

std::string text(const TXMLDan* d) {
    return d != nullptr ? d->asString() : std::string();
}

// "4;0;3;" -> 2, 0, 1: hours of each week halved; at most 52 weeks.
bool readHours(const std::string& h, const std::string& where, Reader& rd, std::vector<int>& out) {
    out.clear();
    std::size_t pos = 0;
    while (pos < h.size() && static_cast<int>(out.size()) < kHWeeks) {
        std::size_t end = h.find(';', pos);
        if (end == std::string::npos) end = h.size();
        const std::string item = trim(std::string_view(h).substr(pos, end - pos));
        int v = 0;
        if (!item.empty()) {
            const auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
            if (ec != std::errc() || p != item.data() + item.size() || v < 0)
                return rd.fail(where + ": \"" + item + "\" не число часов");
        }
        if (v / 2 > kMaxPairsPerWeek)
            return rd.fail(fmt::format("{}: {} часов в неделю {}", where, v, out.size() + 1));
        out.push_back(v / 2);
        pos = end + 1;
    }
    return true;
}

using ByNumber = std::map<int, const TXMLObject*>;

bool indexList(const TXMLObject* list, std::string_view child, const std::string& where, Reader& rd,
               ByNumber& out) {
    if (list == nullptr) return true;
    for (int i = 0; i < list->CountLXMLObject(); ++i) {
        const TXMLObject* o = list->XMLObject(i);
        if (o->Name() != child) continue;
        int n = 0;
        if (!rd.atr(o, "N", where, 0, INT32_MAX, n)) return false;
        out.emplace(n, o);  // the first of a number counts, as a search finds it
    }
    return true;
}

int teacherOf(TCurriculumPlan& plan, const std::string& fullName, int fn) {
    const std::string shortName = ShortFioName(fullName);
    for (std::size_t i = 0; i < plan.teachers.size(); ++i)
        if (plan.teachers[i].shortName == shortName) return static_cast<int>(i);
    plan.teachers.push_back({trim(cut(fullName, TFio::kMaxBigName)), shortName, fn});
    return static_cast<int>(plan.teachers.size()) - 1;
}

struct Lists {
    ByNumber predmet, fio, metodist;
};

bool readHalf(const TXMLObject* sem, int kind, int semNo, const std::string& where,
              const Lists& lists, const std::string* placeholder, Reader& rd, TCurriculumPlan& plan,
              TPlanHalf& half) {
    half = TPlanHalf{};
    if (sem == nullptr) return true;
    half.present = true;
    const std::string digit = std::to_string(kind);
    const std::string w = fmt::format("{} Sem{}", where, semNo);
    if (!rd.atr(sem, "H" + digit, w, 0, 100000, half.hours)) return false;
    const TXMLObject* list = sem->FindXMLObject("LFio" + digit);
    if (list == nullptr) return true;
    int count = 0;
    if (!rd.atr(list, "Count", w, 0, kMaxPlanTeachersOfHalf, count)) return false;
    if (list->CountLXMLObject() > kMaxPlanTeachersOfHalf)
        return rd.fail(w + ": слишком много преподавателей");
    for (int i = 0; i < list->CountLXMLObject(); ++i) {
        int fn = 0;
        if (!rd.atr(list->XMLObject(i), "FN", w, 0, INT32_MAX, fn)) return false;
        const auto f = lists.fio.find(fn);
        if (f == lists.fio.end())
            return rd.fail(fmt::format("{}: нет преподавателя N={} в LFio", w, fn));
        const std::string name = trim(text(f->second->FindXMLField("Name")));
        if (name.empty()) return rd.fail(fmt::format("{}: пустое имя преподавателя N={}", w, fn));
        half.teachers.push_back(teacherOf(plan, name, fn));
    }
    if (placeholder != nullptr)
        for (int i = list->CountLXMLObject(); i < count; ++i)
            half.teachers.push_back(teacherOf(plan, *placeholder, 0));
    return true;
}

bool readSubjects(const TXMLObject* gryp, const std::string& gname, const Lists& lists,
                  bool havePredmet, Reader& rd, TCurriculumPlan& plan, TPlanGroup& group) {
    const TXMLObject* lpr = gryp->FindXMLObject("LPrGryp");
    if (lpr == nullptr || !havePredmet) return true;
    int count = 0;
    if (!rd.atr(lpr, "Count", "группа " + gname + " LPrGryp", 0, INT32_MAX, count)) return false;
    if (count == 0) return true;
    for (int i = 0; i < lpr->CountLXMLObject(); ++i) {
        const TXMLObject* e = lpr->XMLObject(i);
        const std::string where = fmt::format("группа {}, предмет {}", gname, i + 1);
        int np = 0, bak = 0, gnYr = 0, n = 0, razN = 0;
        if (!rd.atr(e, "NPredmet", where, INT32_MIN, INT32_MAX, np) ||
            !rd.atr(e, "BakMet", where, INT32_MIN, INT32_MAX, bak) ||
            !rd.atr(e, "GNYrName", where, 0, UINT16_MAX, gnYr) ||
            !rd.atr(e, "N", where, 0, UINT16_MAX, n) || !rd.atr(e, "RazN", where, 0, 255, razN))
            return false;
        const auto p = lists.predmet.find(np);
        if (p == lists.predmet.end()) continue;  // no subject text: skipped
        std::string placeholder;
        bool hasPlaceholder = false;
        if (bak > 0)
            if (const auto m = lists.metodist.find(bak); m != lists.metodist.end()) {
                placeholder = "?";
                placeholder += trim(text(m->second->FindXMLField("Name")));
                hasPlaceholder = true;
            }
        const std::string sname = trim(text(p->second->FindXMLField("SName")));
        const std::string lname = trim(text(p->second->FindXMLField("LName")));
        if (sname.empty()) return rd.fail(where + ": пустое краткое имя предмета");
        const std::string tip = text(e->FindXMLAtr("Tip"));
        const int tipDRKM = tip == "D" ? 1 : tip == "R" ? 2 : tip == "K" ? 3 : tip == "M" ? 4 : 0;
        const TXMLObject* ned = e->FindXMLObject("Ned");
        if (ned == nullptr) continue;
        for (int c = 0; c < ned->CountLXMLObject(); ++c) {
            const TXMLObject* child = ned->XMLObject(c);
            TPlanSubject s;
            s.kind = child->Name() == "Ne1" ? 1 : 2;
            // A blank left at the end of a cut goes, as the stored names lose it.
            s.shortName =
                s.kind == 1 ? trim(cut(sname, kSubjectShort1)) : cut(sname, kSubjectShort2) + "(Д)";
            s.longName = lname;
            s.gnYrName = gnYr;
            s.n = n;
            s.razN = razN;
            s.tipDRKM = tipDRKM;
            s.hTeachers = child->Name() == "Ne1" || child->Name() == "Ne2";
            s.cut = charCount(sname) > (s.kind == 1 ? kSubjectShort1 : kSubjectShort2);
            for (int semNo = 1; semNo <= 2; ++semNo)
                if (!readHalf(e->FindXMLObject("Sem" + std::to_string(semNo)), s.kind, semNo, where,
                              lists, hasPlaceholder ? &placeholder : nullptr, rd, plan,
                              s.half[static_cast<std::size_t>(semNo - 1)]))
                    return false;
            if (!readHours(text(child->FindXMLAtr("H")), where + " " + child->Name() + " H", rd,
                           s.hPairs))
                return false;
            group.subjects.push_back(std::move(s));
            if (static_cast<int>(group.subjects.size()) > kMaxPlanSubjects)
                return rd.fail("группа " + gname + ": слишком много предметов");
        }
    }
    return true;
}

}  // namespace

std::string ShortFioName(const std::string& fullName) {
    TFio probe;
    probe.SetBigName(fullName);
    return probe.Name();
}

std::string ImportYearText(int year) {
    return fmt::format("{}-{}", year, year + 1);
}

std::string ImportFirstQuestion(int year) {
    return "При импорте все данные на год: " + ImportYearText(year) +
           " будут уничтожены! Продолжать?";
}

bool ReadCurriculumPlan(const TXMLCreater& doc, TCurriculumPlan& plan, std::string& message) {
    plan = TCurriculumPlan{};
    message.clear();
    Reader rd(message);
    const TXMLObject* root = doc.MainXMLObject();
    const TXMLObject* year = root == nullptr          ? nullptr
                             : root->Name() == "Year" ? root
                                                      : root->FindXMLObject("Year");
    if (year == nullptr) return rd.fail("в документе нет элемента Year");
    if (!rd.atr(year, "Vers", "Year", INT32_MIN, INT32_MAX, plan.version) ||
        !rd.atr(year, "Name", "Year", 0, INT32_MAX, plan.year))
        return false;
    if (plan.version == 0) return true;  // refused by its caller with its own message
    if (plan.year < 1900 || plan.year > 2100)
        return rd.fail(fmt::format("учебный год {} невозможен", plan.year));

    Lists lists;
    const TXMLObject* lpredmet = year->FindXMLObject("LPredmet");
    if (!indexList(lpredmet, "P", "LPredmet P", rd, lists.predmet) ||
        !indexList(year->FindXMLObject("LFio"), "F", "LFio F", rd, lists.fio) ||
        !indexList(year->FindXMLObject("LMetodist"), "M", "LMetodist M", rd, lists.metodist))
        return false;

    if (const TXMLObject* ldom = year->FindXMLObject("LDom")) {
        int count = 0;
        if (!rd.atr(ldom, "Count", "LDom", 0, INT32_MAX, count)) return false;
        for (int i = 0; count != 0 && i < ldom->CountLXMLObject(); ++i) {
            const TXMLObject* d = ldom->XMLObject(i);
            TPlanBuilding b;
            b.name = trim(text(d->FindXMLAtr("Name")));
            // An unnamed building could only land on another one.
            if (b.name.empty() || charCount(b.name) > kMaxNameDom) continue;
            int rooms = 0;
            if (!rd.atr(d, "Count", "здание " + b.name, 0, INT32_MAX, rooms)) return false;
            const TXMLObject* layd = d->FindXMLObject("LAyd");
            for (int r = 0; rooms != 0 && layd != nullptr && r < layd->CountLXMLObject(); ++r) {
                const TXMLObject* a = layd->XMLObject(r);
                TPlanRoom room;
                room.name = trim(text(a->FindXMLAtr("Name")));
                if (room.name.empty() || charCount(room.name) > kMaxNameAyd) continue;
                const std::string where = "аудитория " + b.name + "/" + room.name;
                if (!rd.atr(a, "N", where, 0, UINT16_MAX, room.n) ||
                    !rd.atr(a, "Count", where, 0, UINT16_MAX, room.seats))
                    return false;
                b.rooms.push_back(std::move(room));
            }
            plan.buildings.push_back(std::move(b));
        }
    }

    if (const TXMLObject* lgryp = year->FindXMLObject("LGryp")) {
        int count = 0;
        if (!rd.atr(lgryp, "Count", "LGryp", 0, INT32_MAX, count)) return false;
        if (lgryp->CountLXMLObject() > kMaxPlanGroups) return rd.fail("слишком много групп");
        std::set<std::string> names;
        for (int i = 0; count != 0 && i < lgryp->CountLXMLObject(); ++i) {
            const TXMLObject* g = lgryp->XMLObject(i);
            TPlanGroup group;
            group.name = trim(text(g->FindXMLAtr("Name")));
            if (group.name.empty()) return rd.fail(fmt::format("группа {} без имени", i + 1));
            if (charCount(group.name) > TGryp::kMaxName)
                return rd.fail("слишком длинное имя группы " + group.name);
            // A second entry would land on the first group half-overwritten.
            if (!names.insert(group.name).second)
                return rd.fail("группа " + group.name + " встречается дважды");
            const std::string where = "группа " + group.name;
            if (!rd.atr(g, "N", where, 0, INT32_MAX, group.n)) return false;
            if (const TXMLObject* main = g->FindXMLObject("Main")) {
                if (!rd.field(main, "Kyrs", where, 0, 255, group.kyrs) ||
                    !rd.field(main, "Stud1", where, 0, UINT16_MAX, group.stud1) ||
                    !rd.field(main, "Dey2sem", where, 0, 400, group.dey2sem))
                    return false;
                group.graf = text(main->FindXMLField("Graf"));
            }
            if (!readSubjects(g, group.name, lists, lpredmet != nullptr, rd, plan, group))
                return false;
            plan.groups.push_back(std::move(group));
        }
    }
    return true;
}

bool LoadCurriculumPlan(const std::filesystem::path& file, TCurriculumPlan& plan,
                        std::string& message) {
    TXMLCreater doc;
    if (!doc.LoadFromFile(file)) {
        message = doc.LastError();
        return false;
    }
    return ReadCurriculumPlan(doc, plan, message);
}

void KeepYearSubjectNames(TCurriculumPlan& plan, const TAllRasp& year) {
    constexpr std::string_view kSuffix = "(Д)";
    for (TPlanGroup& g : plan.groups)
        for (TPlanSubject& s : g.subjects) {
            if (!s.cut) continue;
            std::string_view prefix = s.shortName;
            if (s.kind != 1) prefix.remove_suffix(std::min(prefix.size(), kSuffix.size()));
            const TYrName* only = nullptr;
            int found = 0;
            for (const auto& yr : year.LYrName) {
                const std::string& name = yr->Name();
                if (name.starts_with(prefix) && (s.kind == 1 || name.ends_with(kSuffix))) {
                    only = yr.get();
                    ++found;
                }
            }
            if (found == 1) s.shortName = only->Name();
        }
}

int TypicalWeekCount(int studyDays) {
    return studyDays / 6 + (studyDays % 6 > 2 ? 1 : 0);
}

std::array<int, 2> TypicalWeekPairs(int studyDays, int hours, std::array<int, 2>& given) {
    const int w = TypicalWeekCount(studyDays);
    if (w <= 0 || hours <= 0) return {0, 0};
    // Nearest whole number; exactly one half rounds down.
    const int l = (2 * hours + w - 1) / (2 * w);
    std::array<int, 2> pairs{l / 2, l / 2};
    if (l % 2 != 0) ++pairs[given[1] < given[0] ? 1 : 0];
    given[0] += pairs[0];
    given[1] += pairs[1];
    return pairs;
}

bool ResolveCurriculum(const TCurriculumPlan& plan, const TAllNed& calendar,
                       TCurriculumOutcome& outcome, std::string& message) {
    outcome = TCurriculumOutcome{};
    message.clear();
    const int32_t start = calendar.Date09_01();
    for (const TPlanGroup& g : plan.groups) {
        TOutcomeGroup og;
        og.source = &g;
        // The study days of each half-year, and where the second begins: on
        // its day, else where a new group has it.
        const std::string days = utf8ToCp1251(g.graf);
        int32_t semDate = g.dey2sem > 0 ? start + g.dey2sem - 1 : encodeDate(plan.year + 1, 2, 1);
        for (std::size_t i = 0; i < days.size() && i < static_cast<std::size_t>(kGrafDays); ++i) {
            int ne = 0, d = 0;
            const int pos = static_cast<int>(i) + 1;
            if (days[i] != kStudyDayByte ||
                !calendar.DateToNedDey(start + static_cast<int32_t>(i), false, ne, d) || d > kDays)
                continue;
            if (g.dey2sem <= 0 || pos < g.dey2sem)
                ++og.s1;
            else
                ++og.s2;
        }
        // As the group keeps a date set: no later than 1 August, never a Sunday.
        semDate = std::min(semDate, encodeDate(plan.year + 1, 8, 1));
        if (isoWeekday(semDate) == 7) ++semDate;
        int semWeek = kStudyWeeks + 1;
        for (int i = 1; i <= kStudyWeeks; ++i)
            if (calendar.DNed(i)->Dt + 6 >= semDate) {
                semWeek = i;
                break;
            }
        std::array<std::array<int, 2>, 2> given{};  // per half-year, its two weeks
        for (const TPlanSubject& s : g.subjects) {
            TOutcomeSubject os;
            os.shortName = s.shortName;
            os.longName = s.longName;
            os.source = &s;
            bool many = false;
            auto give = [&](int ne, const std::vector<int>& teachers) {
                auto& list = os.teachers[static_cast<std::size_t>(ne)];
                for (int t : teachers)
                    if (std::find(list.begin(), list.end(), t) == list.end()) list.push_back(t);
                many = many || teachers.size() > 1;
            };
            for (int h = 0; h < 2; ++h) {
                const TPlanHalf& half = s.half[static_cast<std::size_t>(h)];
                if (!half.present) continue;
                const int hours = std::min(half.hours, kMaxHalfYearHours);
                (h == 0 ? os.sem1 : os.sem2) = hours / 2;
                const int days = h == 0 ? og.s1 : og.s2;
                if (hours / 2 == 0 || TypicalWeekCount(days) == 0) continue;
                // Too few hours for a pair still leaves the half-year's
                // teachers on both weeks.
                const std::array<int, 2> p =
                    TypicalWeekPairs(days, hours, given[static_cast<std::size_t>(h)]);
                for (int k = 0; k < 2; ++k) {
                    const int ne = kFirstTypicalWeek + 2 * h + k;
                    os.pairs[static_cast<std::size_t>(ne)] += p[static_cast<std::size_t>(k)];
                    give(ne, half.teachers);
                }
            }
            for (std::size_t i = 0; i < s.hPairs.size(); ++i) {
                const int ne = static_cast<int>(i) + 1;
                if (s.hPairs[i] <= 0) continue;
                os.pairs[static_cast<std::size_t>(ne)] += s.hPairs[i];
                if (s.hTeachers) give(ne, s.half[ne < semWeek ? 0 : 1].teachers);
            }
            os.subgroups = many;
            std::size_t assignments = 0;
            for (const auto& list : os.teachers) assignments += list.size();
            if (assignments > 255) {
                message = kPlanRefused + fmt::format(
                                             "группа {}, предмет {}: слишком много назначений "
                                             "преподавателей",
                                             g.name, s.shortName);
                return false;
            }
            for (int ne = 1; ne <= kCalendarWeeks; ++ne)
                if (os.pairs[static_cast<std::size_t>(ne)] > kMaxPairsPerWeek) {
                    message = kPlanRefused +
                              fmt::format("группа {}, предмет {}: {} пар в неделю {}", g.name,
                                          s.shortName, os.pairs[static_cast<std::size_t>(ne)], ne);
                    return false;
                }
            og.subjects.push_back(std::move(os));
        }
        outcome.groups.push_back(std::move(og));
    }
    return true;
}

}  // namespace zavlin::exporting
