// The teacher inputs of a composition: the availability rectangle and the
// restricted list built from it, and the wished days as listed and chosen.
#include "composition/teacher_inputs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/element.h"
#include "model/teacher.h"
#include "model/year_fixture.h"

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

// A stored byte other than 0 and 1 allows lessons, but "works" and "no
// restrictions" write 1 all the same, as they write 0 for "does not work".
TEST(TeacherAvailability, WorksWritesOneOverAnyOtherByte) {
    TFio fio;
    fio.Dan.Op[1][0] = 2;
    fio.Dan.Op[2][3] = 2;
    fio.Dan.Op[6][11] = 255;
    EXPECT_FALSE(HasRestriction(fio));
    EXPECT_TRUE(SetAvailability(fio, 1, 1, 0, 0, true));
    EXPECT_EQ(cell(fio, 1, 0), 1);
    EXPECT_EQ(cell(fio, 2, 3), 2) << "outside the rectangle";
    EXPECT_FALSE(SetAvailability(fio, 1, 1, 0, 0, true));
    EXPECT_TRUE(ClearAvailability(fio));
    for (int d = 1; d <= kDays; ++d)
        for (int y = 0; y < kPeriods; ++y) EXPECT_EQ(cell(fio, d, y), 1) << d << " " << y;
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

// The teachers a window changed, over a stored year.
class TeacherInputs : public testing_year::YearFixture {};

// Catches a teacher held twice (stored twice, named twice), a mark that does
// not flag the teacher, or a store that leaves stored teachers behind.
TEST_F(TeacherInputs, ModifiedTeachersAreHeldOnceAndStored) {
    TModifiedTeachers modified;
    EXPECT_TRUE(modified.Empty());
    TFio* a = fios[1];
    TFio* b = fios[3];
    a->SetRday(2);
    modified.Mark(*a);
    modified.Mark(*b);
    modified.Mark(*a);
    EXPECT_EQ(modified.Numbers(), (std::vector<int>{a->N, b->N}));
    EXPECT_TRUE(a->modifi);
    EXPECT_EQ(modified.Names(*year), "\n" + a->BigName() + "\n" + b->BigName());

    // Nothing fails: the window may close without a question.
    EXPECT_TRUE(StoreOrAskToClose(*year, modified, dialog, "не записано:"));
    EXPECT_TRUE(dialog.asked.empty());
    EXPECT_TRUE(modified.Empty());
    EXPECT_FALSE(a->modifi);
    EXPECT_FALSE(b->modifi);
}

// A teacher deleted while held is forgotten by number, even when another
// teacher is added in its place: the newcomer is neither stored nor named.
TEST_F(TeacherInputs, DeletedTeacherIsForgottenWhateverTakesItsPlace) {
    TModifiedTeachers modified;
    TFio* gone = fios[2];
    const int goneN = gone->N;
    modified.Mark(*gone);
    modified.Mark(*fios[0]);
    ASSERT_TRUE(year->DelFio(gone));
    TFio* fresh = teacher("Яковлев Юрий Юрьевич");
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(fresh->N, goneN);
    fresh->modifi = false;

    modified.DropDeleted(*year);
    EXPECT_EQ(modified.Numbers(), std::vector<int>{fios[0]->N});
    EXPECT_EQ(modified.Names(*year), "\n" + fios[0]->BigName());

    // Deleted after being held, before the store: skipped, not failed.
    modified.Mark(*fresh);
    ASSERT_TRUE(year->DelFio(fresh));
    EXPECT_TRUE(modified.Store(*year));
    EXPECT_TRUE(modified.Empty());
}

}  // namespace
}  // namespace zavlin
