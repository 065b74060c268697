// Temporaries that must not outlive a program ended by a signal: Ctrl-C, a kill, a closed
// terminal or Ctrl-\ in the middle of a write would otherwise leave a hidden file of up to
// the size of the whole output beside it. Their names wait in a fixed table that the signal's
// handler reads without allocating or locking; it removes each and then lets the signal end
// the program as it would have, with the usual status.
#pragma once

#include <string>

namespace voxmill {

// Handlers for SIGINT, SIGTERM, SIGHUP and SIGQUIT, installed by the entry point before any
// file is written. A signal that the program was started ignoring (under nohup) stays ignored.
void remove_temporaries_on_signals();

// A temporary's name in the table for as long as the note holds it. A name that finds no
// free place (more outputs open at once than any run has) or is too long for any file is not
// noted: that temporary is left behind by a signal, as it was before.
class TemporaryNote {
public:
    TemporaryNote() = default;
    explicit TemporaryNote(const std::string& path);
    TemporaryNote(TemporaryNote&& other) noexcept : slot_(other.slot_) { other.slot_ = -1; }
    TemporaryNote& operator=(TemporaryNote&& other) noexcept;
    TemporaryNote(const TemporaryNote&) = delete;
    TemporaryNote& operator=(const TemporaryNote&) = delete;
    ~TemporaryNote() { forget(); }

    // Takes the name out of the table: the temporary has its final name, or is gone.
    void forget();

private:
    int slot_ = -1;
};

}  // namespace voxmill
