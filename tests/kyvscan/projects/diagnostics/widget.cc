int widget() { return 0; }
