#include "entry/ui/list_window.h"
