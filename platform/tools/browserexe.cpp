// The runtime folder's browser program. Pages run inside the host process on Qt WebEngine,
// so this program only carries the runtime's version for the checks that look for it.
#include <cstdio>

int main()
{
    std::puts("The browser runtime runs inside the program that hosts it.");
    return 0;
}
