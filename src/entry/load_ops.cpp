#include "entry/load_ops.h"
