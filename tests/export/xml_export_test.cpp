#include "export/xml_export.h"
