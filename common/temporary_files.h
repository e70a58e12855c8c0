// The temporary files a program is writing, removed when it is interrupted.
//
// A file replaced atomically is first written under a temporary name; an interrupt (SIGINT,
// SIGTERM, SIGHUP) before its rename would leave that file behind, and so would SIGBUS, which
// ends a program whose mapped input file another program cuts short. While registered, such a
// file is removed by the signal handler, which then ends the program by the same signal.
// Signals that are ignored when the first file is registered (as under nohup) stay ignored.
// SIGKILL cannot be caught: a temporary file may then stay, but the file it was to replace is
// untouched.
#pragma once

#include <csignal>

// Creates a new file from `pathTemplate`, whose last six characters "XXXXXX" are replaced in
// place (as mkstemp does, but with the permissions of any new file), and registers it, with the
// interrupts held back in between, so that none can leave the file unregistered. Returns its
// descriptor, or -1 when it cannot be created. `slot` receives the registration: -1 when no slot is
// free or the path is too long (the file is then only not removed on an interrupt).
int createTemporaryFile(char* pathTemplate, int& slot);

// Registers an existing file that the program removes when it ends (such as a lock file) to be
// removed on an interrupt too. Returns its slot, or -1 when none is free or the path is too
// long.
int registerFileToRemove(const char* path);

// Forgets the slot (after the file was renamed or removed); -1 is ignored.
void releaseTemporaryFile(int slot);

// While it lives, every signal that can be held back and is not caused by the program's own
// faults waits: for steps that must not be cut in two, such as putting several files in
// place. A signal that came meanwhile takes effect when the object goes.
class SignalsHeld {
  public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};
