/* calc: reads commands from standard input, one a line, and runs them.
 *     $ printf 'eval 2 * (3 + 4)\nhelp\n' | calc */
#include <stdio.h>
#include <string.h>

#include "calc.h"
#include "text.h"

static int run_eval(const char *args);
static int run_help(const char *args);

/* The commands, looked up by their first word. */
static const struct command {
    const char *name;
    int (*run)(const char *args);
    const char *usage;
} commands[] = {
    {"eval", run_eval, "eval EXPR  prints the value of an integer expression"},
    {"help", run_help, "help       lists the commands"},
};

static int run_eval(const char *args)
{
    long value;

    if (evaluate(args, &value) != 0) {
        fprintf(stderr, "eval: cannot evaluate '%s'\n", skip_blanks(args));
        return 1;
    }
    printf("%ld\n", value);
    return 0;
}

static int run_help(const char *args)
{
    size_t i;

    (void)args;
    for (i = 0; i < sizeof commands / sizeof commands[0]; i++)
        puts(commands[i].usage);
    return 0;
}

static int dispatch(const char *line)
{
    const char *word = skip_blanks(line);
    size_t length = strcspn(word, " \t");
    size_t i;

    for (i = 0; i < sizeof commands / sizeof commands[0]; i++)
        if (strlen(commands[i].name) == length && strncmp(commands[i].name, word, length) == 0)
            return commands[i].run(word + length);
    fprintf(stderr, "unknown command '%.*s'; try help\n", (int)length, word);
    return 1;
}

int main(void)
{
    char line[256];
    int status = 0;

    while (fgets(line, sizeof line, stdin) != NULL) {
        line[strcspn(line, "\n")] = '\0';
        if (*skip_blanks(line) != '\0' && dispatch(line) != 0)
            status = 1;
    }
    return status;
}
