#include "gadget/gadget.h"

int main(void)
{
    return gadget_open(3) < 0;
}
