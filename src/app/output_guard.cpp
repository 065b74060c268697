#include "app/output_guard.hpp"

#include "formats/same_file.hpp"

namespace voxmill {

bool output_is_an_input(Console& con, std::initializer_list<std::string_view> inputs, const std::string& output) {
    for (const std::string_view input : inputs) {
        if (same_file(std::string(input), output)) {
            con.free({"The output file ", output, " is the input file ", input, ". Nothing was written."});
            return true;
        }
    }
    return false;
}

}  // namespace voxmill
