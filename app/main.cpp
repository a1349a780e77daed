// Placeholder entry point until the application object lands: it says what exists.
#include <cstdio>

int main()
{
    std::puts("Vantorix: the document layer is built; the editor window comes next.");
    return 0;
}
