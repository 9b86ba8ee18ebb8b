#include <cstdio>

int main() {
    std::fputs("zeltric-cli: not built yet\n", stderr);
    return 2;
}
