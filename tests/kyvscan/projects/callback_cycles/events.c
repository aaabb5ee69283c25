typedef void (*handler)(int);

static handler stored;
static unsigned seed;

void subscribe(handler callback)
{
    stored = callback;
}

void on_event(int code);

/* Takes on_event's address and stores it: no call back on this path. */
void start(void)
{
    subscribe(on_event);
}

void on_event(int code)
{
    if (code == 0)
        start();
}

/* Hashes its own address as a seed: it never calls itself. */
void reseed(void)
{
    seed = (unsigned)(unsigned long)&reseed;
}
