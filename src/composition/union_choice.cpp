#include "composition/union_choice.h"
