// A week's search as the tests of its moves want it: the selected groups'
// units built and, when asked, sorted, the stop flag clear and the run in
// the hardest week's phase, so that displacement and improvement act.
#pragma once

#include <memory>

#include "composition/sos_run.h"
#include "composition/week_search.h"

namespace zavlin::testsupport {

inline std::unique_ptr<TSpSostPr> readySearch(TSosRun& run, int ne, bool sorted = true) {
    run.ClearStopRequest();
    auto sp = std::make_unique<TSpSostPr>(run, ne);
    sp->GetSosSpisok();
    if (sorted) sp->SortSosPredmet();
    run.ClearStopRequest();
    run.Statys = AStatys::sSosRasp;
    return sp;
}

}  // namespace zavlin::testsupport
