#include "handles.h"
#include "tokens.h"
#include "pick.h"

int buffer;
static int bufer;
static int sizze;
int totalO;
static int counter_reads;
static int counter_writes;
static int position_x;

int step_count(int step)
{
    int handle = step + bufer + sizze + counter_reads + counter_writes + position_x;
    {
        int stepp = handle + pick(1) + pickk();
        return stepp;
    }
}
