// The pieces a sample is made from: the random numbers, the catalogue of a
// college's subjects and names, and the plan as plain data.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "base/cp1251.h"
#include "demo/catalogue.h"
#include "demo/random.h"
#include "demo/sample_plan.h"

namespace zavlin::demo {
namespace {

std::size_t characters(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Catches: a generator that is not SplitMix64 and so not the same college on
// another platform. The reference is the published first output for seed 0.
TEST(SampleRandom, IsSplitMix64AndStaysInItsBounds) {
    SampleRandom zero(0);
    EXPECT_EQ(zero.next(), 0xE220A8397B1DCDAFull);
    SampleRandom r(42);
    std::vector<int> seen(7, 0);
    for (int i = 0; i < 7000; ++i) {
        const int v = r.below(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
        ++seen[static_cast<std::size_t>(v)];
    }
    for (int n : seen) EXPECT_GT(n, 800);  // about 1000 each
    std::set<int> ends;
    for (int i = 0; i < 200; ++i) ends.insert(r.range(4, 5));
    EXPECT_EQ(ends, (std::set<int>{4, 5}));
    EXPECT_EQ(r.below(1), 0);
    EXPECT_EQ(r.range(3, 3), 3);
    // A fork draws its own numbers: the parent goes on as if it had not.
    SampleRandom a(9);
    SampleRandom b(9);
    SampleRandom child = a.fork(1);
    (void)child.next();
    EXPECT_EQ(a.next(), b.next());
}

// Catches: names that the tables would cut (20 characters for a subject's
// short name, 48 for full names and faculties), duplicates the lookups by
// name would confuse, and references to subjects that do not exist.
TEST(SampleCatalogue, NamesFitTheirFieldsAndResolve) {
    std::set<std::string> shortNames;
    for (const SubjectEntry& s : subjectCatalogue()) {
        EXPECT_LE(characters(s.shortName), 20u) << s.shortName;
        EXPECT_LE(characters(s.fullName), 48u) << s.fullName;
        EXPECT_EQ(utf8ToCp1251(s.fullName).find('?'), std::string::npos) << s.fullName;
        EXPECT_TRUE(shortNames.insert(s.shortName).second) << s.shortName;
        EXPECT_LT(static_cast<std::size_t>(s.department), departmentNames().size());
    }
    std::set<std::string> abbreviations;
    for (const SpecialityEntry& sp : specialityCatalogue()) {
        EXPECT_LE(characters(sp.faculty), 48u) << sp.faculty;
        EXPECT_EQ(characters(sp.abbreviation), 2u);
        EXPECT_TRUE(abbreviations.insert(sp.abbreviation).second);
        for (const char* name : sp.subjects) EXPECT_GE(subjectIndex(name), 0) << name;
        const int practice = subjectIndex(sp.subjects.back());
        ASSERT_GE(practice, 0);
        EXPECT_TRUE(subjectCatalogue()[static_cast<std::size_t>(practice)].flags & kBlock)
            << sp.abbreviation;
    }
    for (int course = 1; course <= 4; ++course) {
        for (const char* name : generalCurriculum(course).always) EXPECT_GE(subjectIndex(name), 0);
        for (const char* name : generalCurriculum(course).optional)
            EXPECT_GE(subjectIndex(name), 0);
    }
    EXPECT_EQ(subjectIndex("Алхимия"), -1);
}

TEST(SampleCatalogue, WomenTakeTheFemaleFormOfASurname) {
    EXPECT_EQ(femaleSurname("Иванов"), "Иванова");
    EXPECT_EQ(femaleSurname("Соловьёв"), "Соловьёва");
    EXPECT_EQ(femaleSurname("Ильин"), "Ильина");
    EXPECT_EQ(femaleSurname("Троицкий"), "Троицкая");
    EXPECT_EQ(femaleSurname("Вознесенский"), "Вознесенская");
    EXPECT_EQ(femaleSurname("Коваленко"), "Коваленко");
    EXPECT_EQ(femaleSurname("Шевчук"), "Шевчук");
    // The longest full name still fits the 48 characters of the table.
    std::size_t longest = 0;
    for (const char* s : surnames())
        for (const char* n : femaleNames())
            for (const PatronymicEntry& p : patronymics())
                longest =
                    std::max(longest, characters(femaleSurname(s) + " " + n + " " + p.female));
    EXPECT_LE(longest, 48u);
}

TEST(SamplePlan, SizesParseAndCountTheirGroups) {
    EXPECT_EQ(parseSampleSize("S"), SampleSize::S);
    EXPECT_EQ(parseSampleSize("xl"), SampleSize::XL);
    EXPECT_EQ(parseSampleSize("XXL"), std::nullopt);
    EXPECT_EQ(parseSampleSize(""), std::nullopt);
    EXPECT_EQ(groupCount(SampleSize::S), 12);
    EXPECT_EQ(groupCount(SampleSize::M), 40);
    EXPECT_EQ(groupCount(SampleSize::L), 120);
    EXPECT_EQ(groupCount(SampleSize::XL), 400);
}

bool sameLessons(const SamplePlan& a, const SamplePlan& b) {
    for (std::size_t w = 0; w < 2; ++w) {
        const auto& x = a.weeks[w].lessons;
        const auto& y = b.weeks[w].lessons;
        if (x.size() != y.size()) return false;
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x[i].group != y[i].group || x[i].subject != y[i].subject ||
                x[i].teacher != y[i].teacher || x[i].day != y[i].day ||
                x[i].period != y[i].period || x[i].room != y[i].room || x[i].pinned != y[i].pinned)
                return false;
    }
    return true;
}

std::vector<std::string> teacherNames(const SamplePlan& p) {
    std::vector<std::string> out;
    for (const PlanTeacher& t : p.teachers) out.push_back(t.fullName + "/" + t.position);
    return out;
}

// Catches: state kept between runs, or a seed that does not reach every part.
TEST(SamplePlan, TheSeedAloneDecidesTheCollege) {
    const SamplePlan a = planSample({SampleSize::S, 5, 2026});
    const SamplePlan b = planSample({SampleSize::S, 5, 2026});
    EXPECT_TRUE(sameLessons(a, b));
    EXPECT_EQ(teacherNames(a), teacherNames(b));
    EXPECT_EQ(a.substitutions.size(), b.substitutions.size());
    const SamplePlan c = planSample({SampleSize::S, 6, 2026});
    EXPECT_FALSE(sameLessons(a, c));
    EXPECT_NE(teacherNames(a), teacherNames(c));
}

// Catches: a plan whose lessons point outside its own lists.
TEST(SamplePlan, IndicesStayInsideThePlan) {
    const SamplePlan p = planSample({SampleSize::M, 2, 2026});
    for (const PlanWeek& w : p.weeks)
        for (const PlanLesson& l : w.lessons) {
            ASSERT_LT(static_cast<std::size_t>(l.group), p.groups.size());
            ASSERT_LT(static_cast<std::size_t>(l.subject),
                      p.groups[static_cast<std::size_t>(l.group)].subjects.size());
            ASSERT_LT(static_cast<std::size_t>(l.teacher), p.teachers.size());
            ASSERT_LT(static_cast<std::size_t>(l.room), p.rooms.size());
        }
    for (const PlanSubstitution& s : p.substitutions)
        EXPECT_LT(s.substitute, static_cast<int>(p.teachers.size()));
    for (const PlanCredit& c : p.credits)
        EXPECT_LT(static_cast<std::size_t>(c.room), p.rooms.size());
    EXPECT_EQ(p.weeks[0].ne, kActiveWeeks[0]);
    EXPECT_EQ(p.weeks[1].ne, kActiveWeeks[1]);
}

}  // namespace
}  // namespace zavlin::demo
