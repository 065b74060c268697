// The two ways a console run ends other than by the user's quit or a failure of the engine.
// Each travels as an exception up to the entry point, which prints it and picks the exit
// status; nothing deep in the code exits.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace voxmill {

// A stop of the whole program: "STOP " and the message on the error output, exit status 0.
// A stop without a message prints nothing.
class Stop : public std::exception {
public:
    explicit Stop(std::string message = {}) : message_(std::move(message)) {}
    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The console could not give the answer a question needs: the input ended, or a number could
// not be read. Ends the run with exit status 2.
class ConsoleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace voxmill
