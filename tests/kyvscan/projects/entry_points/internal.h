/* Shared by the library's own units only. */
#ifndef INTERNAL_H
#define INTERNAL_H
int gadget_check(int handle);
int gadget_spare(int handle);
#endif
