#include "export/timetable_xml.h"
