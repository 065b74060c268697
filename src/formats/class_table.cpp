#include "formats/class_table.hpp"

#include "formats/text_output.hpp"

namespace voxmill {

void write_class_table(const std::string& path, const std::vector<float>& limits) {
    TextOutput out(path, "histogram file");
    for (const float v : limits) {
        out.field_f(v, 14, 7);
        out.end_line();
    }
    out.close();
}

}  // namespace voxmill
