// Entry point: the program takes no arguments; the whole run is a console dialogue.
#include <iostream>

#include "app/program.hpp"

int main() {
    std::ios::sync_with_stdio(false);
    return voxmill::run_program(std::cin, std::cout, std::cerr);
}
