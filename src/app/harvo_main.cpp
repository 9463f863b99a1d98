#include <cstdio>

// The window program is still being built; until then this entry point says
// so instead of pretending to work.
int main()
{
    std::fputs("Harvo Grabber: the window program is not available in this build yet.\n", stderr);
    return 1;
}
