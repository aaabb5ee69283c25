int pick(int flag);
int pickk(void);
