#include "shared.h"
int two(void) { return shared(2); }
