#include "vs_peer_fet.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

#include "composition/sos_predmet.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin::peer {

namespace {

constexpr int kLayer = 0;

std::pair<int, int> window(const TGryp& gr) {
    const int first = gr.Dan.TimeDay;
    return {first, first > 5 ? first + 1 : first + 3};
}

std::string subjectOf(const TYrokKorzina* korzina) {
    const TPredmet* pr = korzina != nullptr ? korzina->Predmet() : nullptr;
    if (pr == nullptr || pr->YrName() == nullptr) return "?";
    return pr->YrName()->Name();
}

// A small union-find over the pinned lessons: lessons sharing a group cell
// or a teacher's moment are one activity.
struct Joins {
    std::vector<std::size_t> up;
    explicit Joins(std::size_t n) : up(n) { std::iota(up.begin(), up.end(), std::size_t{0}); }
    std::size_t top(std::size_t i) {
        while (up[i] != i) i = up[i] = up[up[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b) { up[top(a)] = top(b); }
};

void addUnique(std::vector<const TFio*>& list, const TFio* fio) {
    if (fio != nullptr && std::find(list.begin(), list.end(), fio) == list.end())
        list.push_back(fio);
}
void addUnique(std::vector<const TGryp*>& list, const TGryp* gr) {
    if (std::find(list.begin(), list.end(), gr) == list.end()) list.push_back(gr);
}

// One period's worth of an activity before blocks are cut.
struct HourItem {
    std::vector<FetLesson> lessons;
    std::vector<int> units;
};

using SeriesKey = std::vector<const TFioPredmet*>;

SeriesKey keyOf(const HourItem& item) {
    SeriesKey key;
    for (const FetLesson& l : item.lessons) key.push_back(l.fp);
    std::sort(key.begin(), key.end());
    return key;
}

void pinnedActivities(TAllRasp& year, int ne, FetInstance& out) {
    struct Pin {
        FetLesson lesson;
        int d;
        int y;
    };
    std::vector<Pin> pins;
    for (const auto& gr : year.LGryp) {
        TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (const TYrok* cell = week->GetYrok(kLayer, d, y))
                    for (TYr* yr : cell->LYr)
                        if (yr->FioPredmet() != nullptr)
                            pins.push_back({{gr.get(), yr->YrokKorzina(), yr->FioPredmet()}, d, y});
    }
    out.pinnedLessons = static_cast<int>(pins.size());
    Joins joins(pins.size());
    std::map<std::tuple<const void*, int, int>, std::size_t> seen;
    for (std::size_t i = 0; i < pins.size(); ++i) {
        const Pin& p = pins[i];
        for (const void* who : {static_cast<const void*>(p.lesson.gr),
                                static_cast<const void*>(p.lesson.fp->Fio())}) {
            if (who == nullptr) continue;
            const auto [at, fresh] = seen.emplace(std::make_tuple(who, p.d, p.y), i);
            if (!fresh) joins.join(i, at->second);
        }
    }
    std::map<std::size_t, std::size_t> activityOf;  // component -> index in out.activities
    for (std::size_t i = 0; i < pins.size(); ++i) {
        const std::size_t c = joins.top(i);
        auto found = activityOf.find(c);
        if (found == activityOf.end()) {
            FetActivity a;
            a.id = static_cast<int>(out.activities.size()) + 1;
            a.pinned = true;
            a.day = pins[i].d;
            a.hour = pins[i].y;
            a.subject = subjectOf(pins[i].lesson.korzina);
            a.hours.resize(1);
            out.activities.push_back(std::move(a));
            found = activityOf.emplace(c, out.activities.size() - 1).first;
        }
        FetActivity& a = out.activities[found->second];
        a.hours[0].push_back(pins[i].lesson);
        addUnique(a.teachers, pins[i].lesson.fp->Fio());
        addUnique(a.groups, pins[i].lesson.gr);
    }
    for (FetActivity& a : out.activities) a.totalDuration = 1;
}

// Our units as periods of activities: subgroups of different teachers
// joined into one period, the rest one period a unit.
std::vector<HourItem> hourItems(const std::vector<const TSosPredmet*>& units, FetInstance& out) {
    std::vector<HourItem> items;
    // Subgroup units by basket, then by assignment, in the order met.
    std::vector<const TYrokKorzina*> baskets;
    std::map<const TYrokKorzina*, std::vector<std::pair<const TFioPredmet*, std::vector<int>>>>
        bySub;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const TSosPredmet& u = *units[i];
        if (u.LSGYF.empty()) continue;
        const TSGYF& first = *u.LSGYF.front();
        const bool subgroup = u.NOb == 0 && u.LSGYF.size() == 1 && first.YrokKorzina != nullptr &&
                              first.YrokKorzina->LFio().size() >= 2;
        if (!subgroup) {
            HourItem item;
            for (const auto& l : u.LSGYF)
                item.lessons.push_back({l->Gryp, l->YrokKorzina, l->FioPredmet});
            item.units.push_back(static_cast<int>(i));
            items.push_back(std::move(item));
            continue;
        }
        auto& list = bySub[first.YrokKorzina];
        if (list.empty()) baskets.push_back(first.YrokKorzina);
        auto at = std::find_if(list.begin(), list.end(),
                               [&](const auto& e) { return e.first == first.FioPredmet; });
        if (at == list.end()) {
            list.push_back({first.FioPredmet, {}});
            at = list.end() - 1;
        }
        at->second.push_back(static_cast<int>(i));
    }
    for (const TYrokKorzina* basket : baskets) {
        auto& list = bySub[basket];
        const bool distinct =
            CountCompareFioPredmet(*basket) == static_cast<int>(basket->LFio().size());
        std::vector<std::size_t> next(list.size(), 0);
        for (;;) {
            HourItem item;
            for (std::size_t s = 0; s < list.size(); ++s) {
                if (next[s] >= list[s].second.size()) continue;
                // One teacher of several subgroups gives them one after
                // another: each its own period.
                if (!distinct && !item.units.empty()) continue;
                const int i = list[s].second[next[s]++];
                const TSGYF& l = *units[static_cast<std::size_t>(i)]->LSGYF.front();
                item.lessons.push_back({l.Gryp, l.YrokKorzina, l.FioPredmet});
                item.units.push_back(i);
            }
            if (item.units.empty()) break;
            if (!distinct)
                ++out.inexact["one teacher of several subgroups: first-period rule"];
            else if (item.units.size() < list.size())
                ++out.inexact["subgroup lesson without its partner (unequal loads or a pin)"];
            items.push_back(std::move(item));
        }
    }
    return items;
}

}  // namespace

std::map<const TFio*, std::vector<std::pair<int, int>>> TeacherBusyCells(TAllRasp& year, int ne) {
    std::map<const TFio*, std::vector<std::pair<int, int>>> busy;
    for (const auto& fio : year.LFio)
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (!year.TestAddFio(kLayer, 0, fio->N, ne, d, y))
                    busy[fio.get()].push_back({d, y});
    return busy;
}

FetInstance BuildFetInstance(
    TAllRasp& year, int ne, const std::vector<const TSosPredmet*>& units,
    const std::map<const TFio*, std::vector<std::pair<int, int>>>& teacherBusy) {
    FetInstance out;
    out.ne = ne;
    out.units = static_cast<int>(units.size());
    pinnedActivities(year, ne, out);
    const std::size_t pinnedCount = out.activities.size();

    // Series of periods with the same assignments, cut into blocks.
    const std::vector<HourItem> items = hourItems(units, out);
    std::vector<SeriesKey> order;
    std::map<SeriesKey, std::vector<const HourItem*>> series;
    for (const HourItem& item : items) {
        const SeriesKey key = keyOf(item);
        auto& list = series[key];
        if (list.empty()) order.push_back(key);
        list.push_back(&item);
    }
    for (const SeriesKey& key : order) {
        const auto& list = series[key];
        const TPredmet* pr = list.front()->lessons.front().korzina->Predmet();
        const int spar = std::max(1, static_cast<int>(pr != nullptr ? pr->Dan.Spar : 1));
        const int total = static_cast<int>(list.size());
        const int groupId = total > spar ? static_cast<int>(out.activities.size()) + 1 : 0;
        for (int start = 0; start < total; start += spar) {
            FetActivity a;
            a.id = static_cast<int>(out.activities.size()) + 1;
            a.groupId = groupId;
            a.totalDuration = groupId != 0 ? total : std::min(spar, total - start);
            a.subject = subjectOf(list.front()->lessons.front().korzina);
            for (int k = start; k < std::min(total, start + spar); ++k) {
                const HourItem& item = *list[static_cast<std::size_t>(k)];
                a.hours.push_back(item.lessons);
                a.units.insert(a.units.end(), item.units.begin(), item.units.end());
                for (const FetLesson& l : item.lessons) {
                    addUnique(a.teachers, l.fp->Fio());
                    addUnique(a.groups, l.gr);
                }
            }
            out.activities.push_back(std::move(a));
        }
    }

    // One block a day of each assignment: its activities on different days.
    // A pinned lesson takes its day only where the subject has no blocks;
    // pins that already share a day are left out.
    std::map<const TFioPredmet*, std::vector<int>> byAssignment;
    std::map<const TFioPredmet*, std::set<int>> pinDays;
    std::set<const TFioPredmet*> pinClash;
    for (const FetActivity& a : out.activities)
        for (const auto& hour : a.hours)
            for (const FetLesson& l : hour) {
                auto& ids = byAssignment[l.fp];
                if (!ids.empty() && ids.back() == a.id) continue;
                if (a.pinned) {
                    const TPredmet* pr = l.fp->Predmet();
                    if (pr != nullptr && pr->Dan.Spar > 1) {
                        ++out.inexact["pinned lesson of a block subject: its day not reserved"];
                        continue;
                    }
                    if (!pinDays[l.fp].insert(a.day).second) pinClash.insert(l.fp);
                }
                ids.push_back(a.id);
            }
    std::set<std::vector<int>> sets;
    for (auto& [fp, ids] : byAssignment) {
        if (pinClash.count(fp) != 0) {
            std::erase_if(ids, [&](int id) {
                return out.activities[static_cast<std::size_t>(id - 1)].pinned;
            });
            ++out.inexact["pinned lessons of one assignment share a day"];
        }
        if (ids.size() >= 2 && sets.insert(ids).second) out.differentDays.push_back(ids);
    }

    // Where the pinned lessons stand, the rules give way (the transfer put
    // them there): a group's or teacher's cell holding a pin stays open.
    std::set<std::tuple<const void*, int, int>> pinnedCells;
    for (std::size_t i = 0; i < pinnedCount; ++i) {
        const FetActivity& a = out.activities[i];
        for (const TGryp* gr : a.groups) pinnedCells.insert({gr, a.day, a.hour});
        for (const TFio* fio : a.teachers) pinnedCells.insert({fio, a.day, a.hour});
    }
    auto open = [&](const void* who, int d, int y) {
        if (pinnedCells.count({who, d, y}) == 0) return false;
        ++out.inexact["pinned lesson where a rule forbids it"];
        return true;
    };

    for (const auto& gr : year.LGryp) {
        if (gr->GetNed(ne) == nullptr) continue;
        const auto [first, last] = window(*gr);
        auto& cells = out.groupNotAvailable[gr.get()];
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if ((!gr->TestRunDey(ne, d) || y < first || y > last) && !open(gr.get(), d, y))
                    cells.push_back({d, y});
    }

    std::set<const TFio*> teaching;
    for (const FetActivity& a : out.activities)
        teaching.insert(a.teachers.begin(), a.teachers.end());
    for (const TFio* fio : teaching) {
        std::set<std::pair<int, int>> cells;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                if (fio->Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0)
                    cells.insert({d, y});
        if (const auto b = teacherBusy.find(fio); b != teacherBusy.end())
            cells.insert(b->second.begin(), b->second.end());
        std::erase_if(cells, [&](const auto& c) { return open(fio, c.first, c.second); });
        if (!cells.empty()) out.teacherNotAvailable[fio].assign(cells.begin(), cells.end());

        // The loosest working-days limit of the search: its last try of a
        // unit asks one lesson a day.
        const int rday = fio->Rday();
        if (rday >= 6) continue;
        const int w = year.GetMimRunDey(fio->N, ne, 1);
        int limit = rday < 5 ? std::max(rday, w) : w;
        std::set<int> pinnedDays;
        for (std::size_t i = 0; i < pinnedCount; ++i) {
            const FetActivity& a = out.activities[i];
            if (std::find(a.teachers.begin(), a.teachers.end(), fio) != a.teachers.end())
                pinnedDays.insert(a.day);
        }
        if (static_cast<int>(pinnedDays.size()) > limit) {
            limit = static_cast<int>(pinnedDays.size());
            ++out.inexact["pinned lessons beyond a teacher's working days"];
        }
        if (limit < 6) out.teacherMaxDays[fio] = limit;
    }
    return out;
}

WeekAtStart::WeekAtStart(const std::filesystem::path& home, TMyDialog& dialog, int ygod, int ne)
    : dm(home, dialog), year(dm), ne(ne) {
    year.YGod = ygod;
    if (!year.LoadYear()) return;
    year.SelectAllGryp(true);
    for (const auto& gr : year.LGryp) gr->ClearRasp(kLayer, ne, false);
    busy = TeacherBusyCells(year, ne);
    std::vector<std::string> refused;
    for (const auto& gr : year.LGryp) gr->CopyPyToRasp(ne, refused);
    pinsRefused = static_cast<int>(refused.size());
    loaded = true;
}

FetInstance BuildWeekInstance(WeekAtStart& week, const std::filesystem::path& scratch) {
    TSosRun run(week.year, scratch);
    run.WLog = false;
    TSpSostPr sp(run, week.ne);
    sp.GetSosSpisok();
    std::vector<const TSosPredmet*> units;
    for (int i = 0; i < sp.Count(); ++i) units.push_back(sp.Item(i));
    return BuildFetInstance(week.year, week.ne, units, week.busy);
}

// --- the ".fet" text

namespace {

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // Control characters have no place in XML 1.0 text.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                    out += c;
                else
                    out += ' ';
        }
    }
    return out;
}

// Names are unique in FET's lists: the model's number goes with them.
std::string teacherName(const TFio* fio) {
    return escape(fio->Name()) + " #" + std::to_string(fio->N);
}
std::string groupName(const TGryp* gr) {
    return escape(gr->Name()) + " #" + std::to_string(gr->Dan.N);
}

void notAvailable(std::string& x, const std::vector<std::pair<int, int>>& cells) {
    x += "\t<Number_of_Not_Available_Times>" + std::to_string(cells.size()) +
         "</Number_of_Not_Available_Times>\n";
    for (const auto& [d, y] : cells)
        x += "\t<Not_Available_Time><Day>" + std::to_string(d) + "</Day><Hour>" +
             std::to_string(y) + "</Hour></Not_Available_Time>\n";
}

}  // namespace

std::string WriteFetXml(const FetInstance& in) {
    std::string x;
    x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<fet "
         "version=\"6.8.5\">\n<Mode>Official</Mode>\n";
    x += "<Institution_Name>week " + std::to_string(in.ne) + "</Institution_Name>\n";
    x += "<Comments></Comments>\n<Days_List>\n<Number_of_Days>" + std::to_string(kDayCount) +
         "</Number_of_Days>\n";
    for (int d = 1; d <= kDayCount; ++d) x += "<Day><Name>" + std::to_string(d) + "</Name></Day>\n";
    x += "</Days_List>\n<Hours_List>\n<Number_of_Hours>" + std::to_string(kPeriodCount) +
         "</Number_of_Hours>\n";
    for (int y = 0; y < kPeriodCount; ++y)
        x += "<Hour><Name>" + std::to_string(y) + "</Name></Hour>\n";
    x += "</Hours_List>\n<Subjects_List>\n";
    std::set<std::string> subjects;
    for (const FetActivity& a : in.activities) subjects.insert(a.subject);
    for (const std::string& s : subjects)
        x += "<Subject><Name>" + escape(s) + "</Name><Comments></Comments></Subject>\n";
    x += "</Subjects_List>\n<Activity_Tags_List>\n</Activity_Tags_List>\n<Teachers_List>\n";
    std::set<const TFio*> teachers;
    for (const FetActivity& a : in.activities)
        teachers.insert(a.teachers.begin(), a.teachers.end());
    for (const TFio* fio : teachers)
        x += "<Teacher><Name>" + teacherName(fio) +
             "</Name><Target_Number_of_Hours>0</Target_Number_of_Hours><Qualified_Subjects>"
             "</Qualified_Subjects><Comments></Comments></Teacher>\n";
    x += "</Teachers_List>\n<Students_List>\n";
    for (const auto& [gr, cells] : in.groupNotAvailable)
        x += "<Year><Name>" + groupName(gr) +
             "</Name><Number_of_Students>0</Number_of_Students><Comments></Comments>"
             "<Number_of_Categories>0</Number_of_Categories><Separator> </Separator></Year>\n";
    x += "</Students_List>\n<Activities_List>\n";
    for (const FetActivity& a : in.activities) {
        x += "<Activity>\n";
        for (const TFio* fio : a.teachers) x += "\t<Teacher>" + teacherName(fio) + "</Teacher>\n";
        x += "\t<Subject>" + escape(a.subject) + "</Subject>\n";
        for (const TGryp* gr : a.groups) x += "\t<Students>" + groupName(gr) + "</Students>\n";
        x += "\t<Duration>" + std::to_string(a.duration()) + "</Duration>\n\t<Total_Duration>" +
             std::to_string(a.totalDuration) + "</Total_Duration>\n\t<Id>" + std::to_string(a.id) +
             "</Id>\n\t<Activity_Group_Id>" + std::to_string(a.groupId) +
             "</Activity_Group_Id>\n\t<Active>true</Active>\n\t<Comments></Comments>\n"
             "</Activity>\n";
    }
    x += "</Activities_List>\n<Buildings_List>\n</Buildings_List>\n<Rooms_List>\n</Rooms_List>\n";
    x += "<Time_Constraints_List>\n<ConstraintBasicCompulsoryTime><Weight_Percentage>100"
         "</Weight_Percentage><Active>true</Active><Comments></Comments>"
         "</ConstraintBasicCompulsoryTime>\n";
    for (const FetActivity& a : in.activities)
        if (a.pinned)
            x += "<ConstraintActivityPreferredStartingTime><Weight_Percentage>100"
                 "</Weight_Percentage><Activity_Id>" +
                 std::to_string(a.id) + "</Activity_Id><Preferred_Day>" + std::to_string(a.day) +
                 "</Preferred_Day><Preferred_Hour>" + std::to_string(a.hour) +
                 "</Preferred_Hour><Permanently_Locked>true</Permanently_Locked><Active>true"
                 "</Active><Comments></Comments></ConstraintActivityPreferredStartingTime>\n";
    for (const std::vector<int>& ids : in.differentDays) {
        x += "<ConstraintMinDaysBetweenActivities>\n\t<Weight_Percentage>100</Weight_Percentage>\n"
             "\t<Consecutive_If_Same_Day>false</Consecutive_If_Same_Day>\n"
             "\t<Number_of_Activities>" +
             std::to_string(ids.size()) + "</Number_of_Activities>\n";
        for (int id : ids) x += "\t<Activity_Id>" + std::to_string(id) + "</Activity_Id>\n";
        x += "\t<MinDays>1</MinDays>\n\t<Active>true</Active>\n\t<Comments></Comments>\n"
             "</ConstraintMinDaysBetweenActivities>\n";
    }
    for (const auto& [fio, cells] : in.teacherNotAvailable) {
        if (teachers.count(fio) == 0) continue;
        x += "<ConstraintTeacherNotAvailableTimes>\n\t<Weight_Percentage>100</Weight_Percentage>\n"
             "\t<Teacher>" +
             teacherName(fio) + "</Teacher>\n";
        notAvailable(x, cells);
        x += "\t<Active>true</Active>\n\t<Comments></Comments>\n</"
             "ConstraintTeacherNotAvailableTimes>\n";
    }
    for (const auto& [fio, days] : in.teacherMaxDays) {
        if (teachers.count(fio) == 0) continue;
        x += "<ConstraintTeacherMaxDaysPerWeek><Weight_Percentage>100</Weight_Percentage>"
             "<Teacher_Name>" +
             teacherName(fio) + "</Teacher_Name><Max_Days_Per_Week>" + std::to_string(days) +
             "</Max_Days_Per_Week><Active>true</Active><Comments></Comments>"
             "</ConstraintTeacherMaxDaysPerWeek>\n";
    }
    for (const auto& [gr, cells] : in.groupNotAvailable) {
        if (cells.empty()) continue;
        x += "<ConstraintStudentsSetNotAvailableTimes>\n\t<Weight_Percentage>100"
             "</Weight_Percentage>\n\t<Students>" +
             groupName(gr) + "</Students>\n";
        notAvailable(x, cells);
        x += "\t<Active>true</Active>\n\t<Comments></Comments>\n"
             "</ConstraintStudentsSetNotAvailableTimes>\n";
    }
    if (in.studentsNoGaps)
        x += "<ConstraintStudentsMaxGapsPerWeek><Weight_Percentage>100</Weight_Percentage>"
             "<Max_Gaps>0</Max_Gaps><Active>true</Active><Comments></Comments>"
             "</ConstraintStudentsMaxGapsPerWeek>\n";
    if (in.teacherMaxGaps >= 0) {
        x += "<ConstraintTeachersMaxGapsPerWeek><Weight_Percentage>100</Weight_Percentage>"
             "<Max_Gaps>";
        x += std::to_string(in.teacherMaxGaps);
        x += "</Max_Gaps><Active>true</Active><Comments></Comments>"
             "</ConstraintTeachersMaxGapsPerWeek>\n";
    }
    x += "</Time_Constraints_List>\n<Space_Constraints_List>\n<ConstraintBasicCompulsorySpace>"
         "<Weight_Percentage>100</Weight_Percentage><Active>true</Active><Comments></Comments>"
         "</ConstraintBasicCompulsorySpace>\n</Space_Constraints_List>\n</fet>\n";
    return x;
}

// --- FET's answer

namespace {

// The text between <tag> and </tag> from pos on, within [pos, end).
bool element(const std::string& text, std::size_t pos, std::size_t end, std::string_view tag,
             std::string& value) {
    const std::string open = "<" + std::string(tag) + ">";
    const std::string close = "</" + std::string(tag) + ">";
    const std::size_t a = text.find(open, pos);
    if (a == std::string::npos || a >= end) return false;
    const std::size_t b = text.find(close, a + open.size());
    if (b == std::string::npos || b > end) return false;
    value = text.substr(a + open.size(), b - a - open.size());
    return true;
}

bool wholeNumber(const std::string& s, int lo, int hi, int& value) {
    if (s.empty() || s.size() > 9 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::atoi(s.c_str());
    return value >= lo && value <= hi;
}

}  // namespace

bool ParseFetActivities(const std::string& text, std::map<int, FetTime>& times, std::string& why) {
    times.clear();
    if (text.find("<Activities_Timetable>") == std::string::npos) {
        why = "no <Activities_Timetable> in FET's answer";
        return false;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::size_t a = text.find("<Activity>", pos);
        if (a == std::string::npos) break;
        const std::size_t b = text.find("</Activity>", a);
        if (b == std::string::npos) {
            why = "an activity of FET's answer is cut short";
            return false;
        }
        pos = b + 1;
        std::string id, day, hour;
        int n = 0;
        if (!element(text, a, b, "Id", id) || !wholeNumber(id, 1, 1 << 30, n)) {
            why = "an activity without a valid id in FET's answer";
            return false;
        }
        if (!element(text, a, b, "Day", day) || !element(text, a, b, "Hour", hour)) {
            why = "activity " + id + " has no day or hour in FET's answer";
            return false;
        }
        if (day.empty() && hour.empty()) continue;  // left without a time
        FetTime t;
        if (!wholeNumber(day, 1, kDayCount, t.day) ||
            !wholeNumber(hour, 0, kPeriodCount - 1, t.hour)) {
            why = "activity " + id + " at day '" + day + "' hour '" + hour + "' outside the week";
            return false;
        }
        if (!times.emplace(n, t).second) {
            why = "activity " + id + " twice in FET's answer";
            return false;
        }
    }
    return true;
}

FetPlacement PlaceFetTimes(const FetInstance& in, const std::map<int, FetTime>& times) {
    FetPlacement out;
    for (const FetActivity& a : in.activities) {
        if (a.pinned) continue;
        const auto t = times.find(a.id);
        if (t == times.end()) continue;
        const FetTime at = t->second;
        if (at.day < 1 || at.day > kDayCount || at.hour < 0 ||
            at.hour + a.duration() > kPeriodCount) {
            ++out.rejected;
            continue;
        }
        for (int h = 0; h < a.duration(); ++h)
            for (const FetLesson& l : a.hours[static_cast<std::size_t>(h)])
                if (TNed* week = l.gr->GetNed(in.ne))
                    week->AddYrRas(kLayer, at.day, at.hour + h, l.korzina, l.fp);
        ++out.activitiesPlaced;
        out.unitsPlaced += static_cast<int>(a.units.size());
    }
    return out;
}

// --- running FET

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs FET; false when it could not be started. Its own exit code and its
// processor time come back.
bool runFet(const std::string& fet, const fs::path& input, const fs::path& outDir, int timeLimit,
            uint64_t seed, int& exitCode, double& cpu) {
    std::vector<std::string> args = {
        fet,
        "--inputfile=" + input.string(),
        "--outputdir=" + outDir.string(),
        "--timelimitseconds=" + std::to_string(timeLimit),
        "--htmllevel=0",
        "--language=en_US",
        "--verbose=false",
        "--warnsubgroupswiththesameactivities=false",
    };
    // Only the activities' XML timetable is read (this FET writes it with
    // the activity tags' timetables).
    args.push_back("--writetimetableconflicts=false");
    for (const char* kind :
         {"statistics", "dayshorizontal", "daysvertical", "timehorizontal", "timevertical",
          "subgroups", "groups", "years", "teachers", "teachersfreeperiods", "rooms", "subjects"})
        args.push_back(std::string("--writetimetables") + kind + "=false");
    args.push_back("--writetimetablesxml=true");
    // The same answer for the same sample.
    const std::string s = std::to_string(seed % 4000000000ULL + 1);
    for (const char* part : {"10", "11", "12", "20", "21", "22"})
        args.push_back(std::string("--randomseeds") + part + "=" + s);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const fs::path log = outDir / "fet-cl.log";
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode != 127;
}

// The first lines FET says why it stopped with.
std::string fetComplaint(const fs::path& outDir) {
    std::istringstream log(readFile(outDir / "fet-cl.log"));
    std::string line;
    std::string said;
    while (std::getline(log, line))
        if (line.rfind("Message: ", 0) == 0 || line.find("aborting") != std::string::npos) {
            said = line;
            break;
        }
    return said.empty() ? "see " + (outDir / "fet-cl.log").string() : said;
}

}  // namespace

FetRun SolveWithFet(const FetInstance& instance, const std::string& fet, const fs::path& dir,
                    const std::string& base, int timeLimit, uint64_t seed) {
    FetRun r;
    const fs::path input = dir / (base + ".fet");
    {
        std::ofstream out(input, std::ios::binary);
        out << WriteFetXml(instance);
        if (!out) {
            r.status = "could not write " + input.string();
            return r;
        }
    }
    // An answer left by an earlier run must not pass for this one's.
    const fs::path outDir = dir / "fet";
    std::error_code ec;
    fs::remove_all(outDir, ec);
    if (ec || !fs::create_directories(outDir, ec)) {
        r.status = "could not make " + outDir.string();
        return r;
    }
    int exitCode = 0;
    const auto t0 = std::chrono::steady_clock::now();
    if (!runFet(fet, input, outDir, timeLimit, seed, exitCode, r.cpu)) {
        r.status = "could not run " + fet + " (scripts/install-bench-deps.sh installs it)";
        return r;
    }
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const fs::path solved = outDir / "timetables" / base / (base + "_activities.xml");
    const fs::path highest =
        outDir / "timetables" / (base + "-highest") / (base + "_activities.xml");
    fs::path answer;
    if (fs::exists(solved)) {
        answer = solved;
        r.status = "complete";
    } else if (fs::exists(highest)) {
        answer = highest;
        r.status = "partial (time limit)";
    } else {
        r.status = "failed (exit " + std::to_string(exitCode) + "): " + fetComplaint(outDir);
        return r;
    }
    std::string why;
    if (!ParseFetActivities(readFile(answer), r.times, why)) {
        r.status = "unreadable answer: " + why;
        return r;
    }
    r.answered = true;
    return r;
}

}  // namespace zavlin::peer
