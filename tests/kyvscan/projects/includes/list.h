#ifndef LIST_H
#define LIST_H
#include "config.h"
struct node { struct node *next; int value; };
int list_length(const struct node *head);
#endif
