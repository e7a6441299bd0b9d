#include "AEException.h"

#include <cstdarg>
#include <cstdio>

namespace AEUtil {

namespace {
// Both the location prefix and the formatted text go through a buffer of this
// size; longer texts are cut at its end.
constexpr size_t kFormatBufferSize = 2048;
}  // namespace

AEException::AEException(PF_Err code, int line, const char *file, const char *format, ...) : code_(code)
{
    char buffer[kFormatBufferSize];
    std::snprintf(buffer, sizeof buffer, "%s(%d): ", file, line);
    message_ = buffer;

    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    message_ += buffer;
}

}  // namespace AEUtil
