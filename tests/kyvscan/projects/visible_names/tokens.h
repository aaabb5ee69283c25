typedef int token;
