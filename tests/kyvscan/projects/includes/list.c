#include "list.h"
#include "list.h"
#include "trio.h"

TRIO(step)

int list_length(const struct node *head)
{
    int length = 0;
    while (head && length < LIMIT) {
        head = head->next;
        length = step_third(length);
    }
    return length;
}
#line 200 "list.y"
int parse_rule(void) { return list_length(0); }
