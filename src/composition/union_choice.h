// What the unions window offers: the subjects the chosen groups have in
// common in the chosen weeks, the unions that could join their teacher
// assignments, the unions set, and the checks before one is set.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;

}  // namespace zavlin
