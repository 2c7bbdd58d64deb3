#include "export/hours_xml.h"
