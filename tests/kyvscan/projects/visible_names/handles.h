typedef int handle;
