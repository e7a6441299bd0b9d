// What ends a sallow command early, besides a failure of a file or of the
// effect (std::runtime_error).
#pragma once

#include <stdexcept>
#include <string>

// A mistake in what the user asked for.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The user stopped sallow with a signal; sallow exits with 128 + its number.
class Cancelled : public std::runtime_error {
public:
    explicit Cancelled(int signal, const std::string &what = "cancelled") : std::runtime_error(what), signal_(signal) {}
    int status() const { return 128 + signal_; }

private:
    int signal_;
};
