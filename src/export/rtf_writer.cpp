#include "export/rtf_writer.h"
