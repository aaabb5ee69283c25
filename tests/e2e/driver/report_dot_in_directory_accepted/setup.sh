mkdir -p dir.c
