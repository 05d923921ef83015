#include <cstdio>

int main() {
    std::puts("kvd2730-cli");
    return 0;
}
