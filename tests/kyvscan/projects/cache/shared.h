#ifndef SHARED_H
#define SHARED_H
int shared(int x);
#endif
