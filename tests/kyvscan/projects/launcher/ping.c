int pong(int n);
int ping(int n) { return n ? pong(n - 1) : 0; }
int main(void) { return ping(3); }
