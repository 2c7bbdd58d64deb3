// How a week to be synchronised differs from the base week, for the
// synchronisation start window's comparison.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;

}  // namespace zavlin
