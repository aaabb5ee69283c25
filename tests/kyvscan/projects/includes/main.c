#include "list.h"
int step_third(int v);
int main(void) { return step_third(list_length(0)); }
