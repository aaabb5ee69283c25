/* only macros: an inclusion with nothing else in it */
#define LIMIT 8
