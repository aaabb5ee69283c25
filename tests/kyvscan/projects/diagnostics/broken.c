#include "helpers.h"

int broken(int value)
{
    int unused_local;
    return value + missing_name
}

int still_read(void) { return helper(2); }
