#include "reports/hours.h"
