#include "export/curriculum_import.h"
