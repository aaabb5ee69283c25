int ping(int n);
int pong(int n) { return n ? ping(n - 1) : 1; }
