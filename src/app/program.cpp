#include "app/program.hpp"

#include <istream>
#include <new>
#include <ostream>

#include "app/menu.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"

namespace voxmill {

int run_program(std::istream& in, std::ostream& out, std::ostream& err) {
    return run_program(in, out, err, default_operations());
}

int run_program(std::istream& in, std::ostream& out, std::ostream& err, const Operations& ops) {
    State st;
    Console con(in, out, err);
    int status = kExitOk;
    try {
        run_menu(st, con, ops);
    } catch (const Stop& stop) {
        out.flush();
        if (!stop.message().empty()) err << "STOP " << stop.message() << "\r\n";
    } catch (const ConsoleError& e) {
        out.flush();
        err << "Error: " << e.what() << ". Stopping.\r\n";
        status = kExitConsole;
    } catch (const FileError& e) {
        out.flush();
        err << "Error: " << e.what() << ". Stopping.\r\n";
        status = kExitFile;
    } catch (const std::bad_alloc&) {
        out.flush();
        err << "Error: cannot allocate the memory this operation needs. Stopping.\r\n";
        status = kExitMemory;
    }
    out.flush();
    err.flush();
    return status;
}

}  // namespace voxmill
