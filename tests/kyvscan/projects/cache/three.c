int three(void) { return 3; }
