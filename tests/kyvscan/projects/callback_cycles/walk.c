int pong(int n);

int ping(int n)
{
    return n > 0 ? pong(n - 1) : 0;
}

int pong(int n)
{
    return n > 0 ? ping(n - 1) : 1;
}

int fact(int n)
{
    return n > 1 ? n * fact(n - 1) : 1;
}
