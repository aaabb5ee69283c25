// Stand-in for the option set's silent level until the option set is merged:
// a weak definition gives way to the real one.
__attribute__((weak)) int silent_level = 0;
