#include "common/temporary_files.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int SLOTS = 8;
constexpr std::size_t PATH_ROOM = 4096;

// Written by the program, read by the handler: a slot's path is complete before it is marked
// used, and unmarked before it changes.
char slotPaths[SLOTS][PATH_ROOM];
volatile std::sig_atomic_t slotUsed[SLOTS];

// SIGBUS: a mapped input file that another program cuts short while it is read.
constexpr int CLEANED_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGBUS};

extern "C" void removeTemporaryFiles(int signal) {
    for (int slot = 0; slot < SLOTS; ++slot) {
        if (slotUsed[slot] != 0) unlink(slotPaths[slot]);
    }
    // Ends the program as the signal would have.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

void installHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : CLEANED_SIGNALS) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = removeTemporaryFiles;
        sigemptyset(&handler.sa_mask);
        for (int other : CLEANED_SIGNALS) sigaddset(&handler.sa_mask, other);
        sigaction(signal, &handler, nullptr);
    }
}

// A slot for `path`, or -1 when none is free or the path is too long.
int registerTemporaryFile(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length >= PATH_ROOM) return -1;
    for (int slot = 0; slot < SLOTS; ++slot) {
        if (slotUsed[slot] != 0) continue;
        std::memcpy(slotPaths[slot], path, length + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slotUsed[slot] = 1;
        return slot;
    }
    return -1;
}

// Like mkstemp, but the file gets the permissions of any new file (0666 less the umask), as
// the file it becomes would have had if written in place.
int openUnique(char* pathTemplate) {
    const std::size_t length = std::strlen(pathTemplate);
    if (length < 6) return -1;
    char* name = pathTemplate + length - 6;
    static constexpr char LETTERS[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::uint64_t state = 0;
    state ^=
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(getpid()) << 32);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        std::uint64_t bits = state >> 16;
        for (int i = 0; i < 6; ++i, bits /= 62) name[i] = LETTERS[bits % 62];
        const int descriptor = open(pathTemplate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

// Runs `work` with the handlers installed and the cleaned signals held back, so that a handler
// never sees the list of files half changed.
template <class Work>
int withInterruptsHeld(Work work) {
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    for (int signal : CLEANED_SIGNALS) sigaddset(&interrupts, signal);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    installHandlers();
    const int result = work();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

}  // namespace

int createTemporaryFile(char* pathTemplate, int& slot) {
    return withInterruptsHeld([&] {
        const int descriptor = openUnique(pathTemplate);
        slot = descriptor < 0 ? -1 : registerTemporaryFile(pathTemplate);
        return descriptor;
    });
}

int registerFileToRemove(const char* path) {
    return withInterruptsHeld([&] { return registerTemporaryFile(path); });
}

void releaseTemporaryFile(int slot) {
    if (slot < 0 || slot >= SLOTS) return;
    slotUsed[slot] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

SignalsHeld::SignalsHeld() {
    sigset_t held;
    sigfillset(&held);
    // Signals of the program's own faults cannot wait.
    for (int signal : {SIGBUS, SIGSEGV, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) sigdelset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

SignalsHeld::~SignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}
