// The exception that carries a host error code and a message to the entry
// point's exception barrier.
#pragma once

#include <exception>
#include <string>

#include "AEConfig.h"
#include "AE_Effect.h"

namespace AEUtil {

class AEException : public std::exception {
public:
    // The message is "<file>(<line>): " followed by the formatted text.
    AEException(PF_Err code, int line, const char *file, const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;

    PF_Err code() const noexcept { return code_; }
    const char *what() const noexcept override { return message_.c_str(); }

private:
    PF_Err code_;
    std::string message_;
};

}  // namespace AEUtil
