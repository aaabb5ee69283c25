static inline int helper(int v) { return v + 1; }
