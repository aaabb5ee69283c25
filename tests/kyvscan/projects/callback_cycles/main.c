void start(void);
void reseed(void);
int ping(int n);
int fact(int n);

int main(void)
{
    start();
    reseed();
    return ping(3) + fact(4);
}
