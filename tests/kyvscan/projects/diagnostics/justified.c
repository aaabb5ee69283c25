#include <stddef.h>
#include <stdlib.h>
#include <stdio.h>
#include <errno.h>

struct pair { int first; int second; };

// kyv-justify KYV_160_20 1 : the depth is bounded by the caller
int countdown(int n) { return n > 0 ? countdown(n - 1) : 0; }

/* kyv-justify KYV_200_100 3 all : memory is released by the arena at exit */
void *grab(size_t size)
{
    void *block = malloc(size);
    free(malloc(1));
    return block;
}

// kyv-justify KYV_50_70
// kyv-justify : no rule here
/* kyv-justify KYV_140_10 many : lines must be a number */
// kyv-justifying is a word of its own, not a justification

int main(void)
{
    size_t offset = offsetof(struct pair, second);
    if (errno) exit(1);
    printf("%d %zu\n", countdown(3), offset);
    return grab(4) != 0;
}
