#include "ExceptionBarrier.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "AEException.h"
#include "Messages.h"

namespace {

constexpr size_t kFormatBufferSize = 2048;

// return_msg holds 255 characters; longer messages are cut there.
void SetReturnMessage(PF_OutData *out_data, const char *text)
{
    if (out_data == nullptr) return;
    const size_t length = strnlen(text, sizeof out_data->return_msg - 1);
    std::memset(out_data->return_msg, 0, sizeof out_data->return_msg);
    std::memcpy(out_data->return_msg, text, length);
}

}  // namespace

PF_Err RunBehindBarrier(PF_OutData *out_data, const std::function<PF_Err()> &command)
{
    try {
        return command();
    } catch (const AEUtil::AEException &e) {
        SetReturnMessage(out_data, e.what());
        return e.code();
    } catch (const std::exception &e) {
        SetReturnMessage(out_data, e.what());
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    } catch (PF_Err code) {
        char message[kFormatBufferSize];
        std::snprintf(message, sizeof message, "error code = %d\n%s", static_cast<int>(code), ErrorName(code));
        SetReturnMessage(out_data, message);
        return code;
    } catch (...) {
        SetReturnMessage(out_data, kUnknownErrorMessage);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
