// Entry point of the jukebox. The application object arrives with the app subsystem.
#include <cstdio>

int main() {
    std::fputs("tunedeck: the application is not assembled yet\n", stderr);
    return 1;
}
