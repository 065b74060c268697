// Entry point: without arguments the whole run is a console dialogue; with arguments the
// program runs one command of its command-line face and exits. Either way a signal that ends
// the run takes the temporaries of unfinished outputs with it.
#include <iostream>

#include "app/program.hpp"
#include "cli/command_line.hpp"
#include "formats/signal_cleanup.hpp"

int main(int argc, char** argv) {
    voxmill::remove_temporaries_on_signals();
    if (argc > 1) return voxmill::run_command_line(argc, argv, std::cout, std::cerr);
    std::ios::sync_with_stdio(false);
    return voxmill::run_program(std::cin, std::cout, std::cerr);
}
