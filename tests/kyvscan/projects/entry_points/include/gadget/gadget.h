/* The library's public header: programs that embed it call these. */
#ifndef GADGET_H
#define GADGET_H
int gadget_open(int size);
int gadget_size(int handle);
void gadget_close(int handle);
#endif
