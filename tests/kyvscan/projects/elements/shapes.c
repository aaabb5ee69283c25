#include "shapes.h"

count_t shape_count;
static point_t origin = {0, 0};
const char *names[3];

static int twice(int v) { return v * 2; }
static int (*const handlers[])(int) = {twice};

int area(const point_t *corner, int scale)
{
    int result = corner->x * corner->y;
    static int calls;
    extern int verbose;
    calls++;
    --calls;
    result += scale;
    result = handlers[0](result);
    for (int i = 0; i < scale; i++) {
        int inner = i;
        {
            register int deepest = inner;
            result -= deepest;
        }
    }
    origin.x = result;
    int *where = &result;
    *where = twice(result);
    shape_count = shape_count + (count_t)verbose;
    colour_t paint = GREEN;
    return result + (int)paint;
}

static struct settings { int depth; union { long wide; char narrow; } size; } current = {1, {2}};
int depth_of(void) { return current.depth; }
