// voxmill-samples <folder>: writes the example maps that are missing in the folder.
#include <algorithm>
#include <exception>
#include <iostream>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "samples.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: voxmill-samples <folder>\n";
        return 2;
    }
    voxmill::Console con(std::cin, std::cout, std::cerr);
    try {
        const auto written = voxmill::samples::write_samples(argv[1], con);
        for (const std::string& name : voxmill::samples::sample_names()) {
            const bool is_new = std::find(written.begin(), written.end(), name) != written.end();
            std::cout << (is_new ? "wrote " : "kept  ") << argv[1] << '/' << name << '\n';
        }
    } catch (const voxmill::Stop& s) {
        std::cerr << "voxmill-samples: " << s.message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "voxmill-samples: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
