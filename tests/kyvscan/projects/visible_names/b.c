#include "pick.h"

static int size;
int total0;
static int position_y;
extern int buffer;
static int bufffer;

int pick(int flag)
{
    if (flag) {
        int cnt = size + position_y + bufffer;
        return cnt;
    } else {
        int cntt = 2;
        return cntt;
    }
}

int token_count(void)
{
    int token = 3;
    return token;
}

int pickk(void)
{
    return 0;
}
