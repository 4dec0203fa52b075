#include "tests/kit/printers.h"
