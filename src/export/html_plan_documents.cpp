// The planned load for the word processor, straight from the load items:
// each group's subjects per semester and for the year, and the selected
// teachers' lessons and hours over a range of weeks. A pair is two hours.
#include <algorithm>
#include <array>
#include <unordered_map>

#include "export/html_documents.h"
#include "export/html_report_parts.h"
#include "model/year.h"

namespace zavlin::exporting {

using namespace zavlin::html;

namespace {

constexpr int kHoursPerPair = 2;
// Weeks past the study year never carry planned load.
constexpr int kLastStudyWeek = 52;

// Accounting leaves a 0 empty so that the figures stand out.
std::string figure(int n) {
    return n != 0 ? std::to_string(n) : std::string();
}

TGridHtml* grid(TBodyHtml& body, std::initializer_list<const char*> heads) {
    TGridHtml* g = body.AddGrid();
    g->Border = 1;
    for (const char* head : heads) g->Headr()->AddCol(head);
    return g;
}

void addRow(TGridHtml& g, std::initializer_list<std::string> cells) {
    TRowGridHtml* row = g.AddRow();
    for (const std::string& c : cells) row->AddCells()->AddText(c);
}

int loadOf(const TPredmet& pr, int setka, int n1, int n2) {
    int sum = 0;
    for (int ne = n1; ne <= n2; ++ne) sum += pr.CountPredmetNe(setka, ne);
    return sum;
}

struct TFioLoad {
    const TGryp* gryp = nullptr;
    const TPredmet* predmet = nullptr;
    int plan = 0;
    int zamena = 0;
    int dop = 0;
    int Pairs() const { return plan + zamena + dop; }
};

}  // namespace

bool THtmlExportHub::CreateWordCvodGryp() {
    const auto groups = SelectedGryp();
    return WriteDocument(
        kCvodGrypFile, "Планируемая нагрузка группы", static_cast<int>(groups.size()),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            int done = 0;
            for (const TGryp* gr : groups) {
                AddHeading(body, "ПЛАНИРУЕМАЯ НАГРУЗКА ГРУППЫ " + gr->Name());
                TGridHtml* g = grid(body, {"N", "Предмет", "Преподаватели", "1 сем. пары",
                                           "2 сем. пары", "Вне сетки", "Часы за год", "Итого"});
                int s1n1 = 0, s1n2 = 0, s2n1 = 0, s2n2 = 0;
                gr->NedStartEnd(1, s1n1, s1n2);
                gr->NedStartEnd(2, s2n1, s2n2);
                std::array<int, 3> total{};
                int n = 0;
                for (const auto& pr : gr->LPredmet) {
                    const int sem1 = loadOf(*pr, kSetkaPlan, s1n1, s1n2);
                    const int sem2 = loadOf(*pr, kSetkaPlan, s2n1, s2n2);
                    const int dop = loadOf(*pr, kSetkaDop, 1, kLastStudyWeek);
                    total[0] += sem1;
                    total[1] += sem2;
                    total[2] += dop;
                    addRow(*g, {std::to_string(++n), pr->Name(), pr->NameAllFio(), figure(sem1),
                                figure(sem2), figure(dop), figure((sem1 + sem2) * kHoursPerPair),
                                figure((sem1 + sem2 + dop) * kHoursPerPair)});
                }
                addRow(*g, {"", "Итого", "", figure(total[0]), figure(total[1]), figure(total[2]),
                            figure((total[0] + total[1]) * kHoursPerPair),
                            figure((total[0] + total[1] + total[2]) * kHoursPerPair)});
                progress.Position(++done);
            }
        });
}

bool THtmlExportHub::CreateWordPlanFio(int Ne1, int Ne2) {
    ClampWeeks(Ne1, Ne2);
    const auto teachers = SelectedFio();
    return WriteDocument(
        kPlanFioFile, "Планируемые часы преподавателей", Year().CountGryp(),
        [&](TBodyHtml& body, THtmlProgress& progress) {
            // One pass over the load; a teacher's rows follow the groups'
            // and subjects' order.
            std::unordered_map<const TFio*, std::vector<TFioLoad>> load;
            int done = 0;
            for (const auto& gr : Year().LGryp) {
                for (const auto& pr : gr->LPredmet) {
                    std::unordered_map<const TFio*, TFioLoad> here;
                    std::vector<const TFio*> order;
                    for (int ne = Ne1; ne <= Ne2; ++ne)
                        for (const auto& fp : pr->GetLFio(ne)) {
                            const TFio* fio = fp->Fio();
                            if (fio == nullptr || !fio->Select) continue;
                            auto [it, fresh] = here.try_emplace(fio);
                            if (fresh) order.push_back(fio);
                            TFioLoad& l = it->second;
                            l.gryp = gr.get();
                            l.predmet = pr.get();
                            l.plan += pr->CountPredmetNe(kSetkaPlan, ne, fp.get());
                            l.zamena += pr->CountPredmetNe(kSetkaZamena, ne, fp.get());
                            l.dop += pr->CountPredmetNe(kSetkaDop, ne, fp.get());
                        }
                    for (const TFio* fio : order)
                        if (here[fio].Pairs() > 0) load[fio].push_back(here[fio]);
                }
                progress.Position(++done);
            }
            // A union's lessons are given once to all its groups: each
            // teacher's plan counts them once more than the rows show.
            std::unordered_map<const TFio*, int> unionSaving;
            for (int ne = Ne1; ne <= Ne2; ++ne)
                for (const auto& ob : Year().LOb[static_cast<std::size_t>(ne)]) {
                    std::unordered_map<const TFio*, std::pair<int, int>> sumMost;
                    for (const TFioPredmet* fp : ob->LFioPredmet) {
                        const TFio* fio = fp->Fio();
                        if (fio == nullptr || !fio->Select || fp->Predmet() == nullptr) continue;
                        const int plan = fp->Predmet()->CountPredmetNe(kSetkaPlan, ne, fp);
                        auto& [sum, most] = sumMost[fio];
                        sum += plan;
                        most = std::max(most, plan);
                    }
                    for (const auto& [fio, sm] : sumMost) unionSaving[fio] += sm.first - sm.second;
                }
            AddHeading(body, "ПЛАНИРУЕМЫЕ ЧАСЫ ПРЕПОДАВАТЕЛЕЙ с недели " + WeekLabel(Ne1) +
                                 " по неделю " + WeekLabel(Ne2));
            TGridHtml* g = grid(body, {"Преподаватель", "Группа", "Предмет", "Сетка", "Замены",
                                       "Вне сетки", "Всего пар", "Часы"});
            for (const TFio* fio : teachers) {
                const auto it = load.find(fio);
                if (it == load.end()) continue;
                TFioLoad sum;
                bool first = true;
                for (const TFioLoad& l : it->second) {
                    addRow(*g, {first ? FioTitle(*fio) : std::string(), l.gryp->Name(),
                                l.predmet->Name(), figure(l.plan), figure(l.zamena), figure(l.dop),
                                figure(l.Pairs()), figure(l.Pairs() * kHoursPerPair)});
                    sum.plan += l.plan;
                    sum.zamena += l.zamena;
                    sum.dop += l.dop;
                    first = false;
                }
                addRow(*g, {"", "Итого", "", figure(sum.plan), figure(sum.zamena), figure(sum.dop),
                            figure(sum.Pairs()), figure(sum.Pairs() * kHoursPerPair)});
                const auto saving = unionSaving.find(fio);
                if (saving != unionSaving.end() && saving->second > 0) {
                    sum.plan -= saving->second;
                    addRow(*g, {"", "С учетом объединений", "", figure(sum.plan),
                                figure(sum.zamena), figure(sum.dop), figure(sum.Pairs()),
                                figure(sum.Pairs() * kHoursPerPair)});
                }
            }
        });
}

}  // namespace zavlin::exporting
