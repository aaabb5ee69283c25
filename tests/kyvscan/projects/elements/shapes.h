#ifndef SHAPES_H
#define SHAPES_H

typedef unsigned int count_t;
typedef struct point {
    int x;
    int y;
} point_t;
enum colour { RED, GREEN = 4 };
typedef enum colour colour_t;

extern count_t shape_count;
int area(const point_t *corner, int scale);

#endif
