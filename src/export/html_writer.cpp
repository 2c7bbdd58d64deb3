#include "export/html_writer.h"
