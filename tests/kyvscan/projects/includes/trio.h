#ifndef TRIO_H
#define TRIO_H
/* One use writes three functions on one line, each calling the one before. */
#define TRIO(name) \
    static int name##_first(int v) { return v; } \
    static int name##_second(int v) { return name##_first(v) + 1; } \
    int name##_third(int v) { return name##_second(v) + 1; }
#endif
