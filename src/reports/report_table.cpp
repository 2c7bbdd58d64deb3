#include "reports/report_table.h"
