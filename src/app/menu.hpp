// The main menu: the option list, each option's dialogue, and the call of its operation.
#pragma once

#include "app/console.hpp"
#include "app/operations.hpp"
#include "app/state.hpp"

namespace voxmill {

// Runs menu cycles until the user quits ("Bye"); a stop or the end of the console input
// leaves it by exception.
void run_menu(State& st, Console& con, const Operations& ops);

}  // namespace voxmill
