#include "composition/week_compare.h"
