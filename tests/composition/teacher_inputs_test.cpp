// The teacher inputs of a composition: the availability rectangle and the
// restricted list built from it, and the wished days as listed and chosen.
#include "composition/teacher_inputs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/element.h"
#include "model/teacher.h"

namespace zavlin {
namespace {

int forbiddenCells(const TFio& fio) {
    int n = 0;
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriods; ++y)
            if (fio.Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)] == 0) ++n;
    return n;
}

uint8_t cell(const TFio& fio, int d, int y) {
    return fio.Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
}

// Catches a rectangle applied to the wrong axis, an inclusive bound lost, a
// reversed selection ignored, or a bound outside the grid written past it.
TEST(TeacherAvailability, RectangleForbidsExactlyItsCellsAndWorksBack) {
    TFio fio;
    ASSERT_FALSE(HasRestriction(fio)) << "a new teacher has no restriction";
    EXPECT_TRUE(SetAvailability(fio, 3, 2, 5, 4, false));  // days 2-3, periods 4-5
    EXPECT_EQ(forbiddenCells(fio), 4);
    EXPECT_EQ(cell(fio, 2, 4), 0);
    EXPECT_EQ(cell(fio, 3, 5), 0);
    EXPECT_EQ(cell(fio, 4, 4), 1);
    EXPECT_EQ(cell(fio, 2, 6), 1);
    EXPECT_TRUE(HasRestriction(fio));
    EXPECT_FALSE(SetAvailability(fio, 2, 2, 4, 4, false)) << "nothing changed";

    // Out-of-grid bounds are cut, never written past the rows.
    const auto unused = fio.Dan.Op[0];
    EXPECT_FALSE(SetAvailability(fio, 0, 9, 11, 40, true)) << "row 0 is not a day";
    EXPECT_TRUE(SetAvailability(fio, 0, 9, 11, 40, false));
    EXPECT_EQ(forbiddenCells(fio), 4 + kDays);
    EXPECT_EQ(fio.Dan.Op[0], unused) << "row 0 is not a day";

    EXPECT_TRUE(SetAvailability(fio, 2, 3, 4, 4, true));
    EXPECT_EQ(forbiddenCells(fio), 2 + kDays);
    EXPECT_TRUE(ClearAvailability(fio));
    EXPECT_EQ(forbiddenCells(fio), 0);
    EXPECT_FALSE(HasRestriction(fio));
    EXPECT_FALSE(ClearAvailability(fio));
}

// A stored non-zero byte other than 1 already allows lessons: "works" keeps it.
TEST(TeacherAvailability, AnyNonZeroByteCountsAsWorking) {
    TFio fio;
    fio.Dan.Op[1][0] = 2;
    EXPECT_FALSE(HasRestriction(fio));
    EXPECT_FALSE(SetAvailability(fio, 1, 1, 0, 0, true));
    EXPECT_EQ(cell(fio, 1, 0), 2);
    EXPECT_TRUE(SetAvailability(fio, 1, 1, 0, 0, false));
    EXPECT_EQ(cell(fio, 1, 0), 0);
}

// Catches a list that keeps a freed teacher, misses one restricted only on
// Saturday's last period, or loses the list's order.
TEST(TeacherAvailability, RestrictedListFollowsTheCellsInListOrder) {
    TSpisok year;
    for (const char* name : {"Акулов Иван Петрович", "Борисов Олег Ильич", "Власов Ян Ян"}) {
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(name);
        year.LFio.push_back(std::move(fio));
    }
    TFio& a = *year.LFio[0];
    TFio& c = *year.LFio[2];
    EXPECT_TRUE(RestrictedTeachers(year).empty());
    ASSERT_TRUE(SetAvailability(c, kDays, kDays, kPeriods - 1, kPeriods - 1, false));
    ASSERT_TRUE(SetAvailability(a, 1, 1, 0, 0, false));
    EXPECT_EQ(RestrictedTeachers(year), (std::vector<TFio*>{&a, &c}));
    ASSERT_TRUE(ClearAvailability(a));
    EXPECT_EQ(RestrictedTeachers(year), (std::vector<TFio*>{&c}));
}

// The texts and the first choice of the wished days.
TEST(WishedDays, TextsAndChoice) {
    EXPECT_EQ(RdayText(5), "5 Обычный");
    EXPECT_EQ(RdayText(6), "6 Администрация");
    EXPECT_EQ(RdayText(2), "2");
    for (int v = 1; v <= 6; ++v) EXPECT_EQ(RdayChoice(v), v);
    EXPECT_EQ(RdayChoice(0), 6);
    EXPECT_EQ(RdayChoice(7), 6);
    EXPECT_EQ(RdayChoice(-3), 6);
}

}  // namespace
}  // namespace zavlin
