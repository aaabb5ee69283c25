#include "shared.h"
int shared(int x) { return x; }
