// Turns every exception of a command into the host error code and message the
// host is given.
#pragma once

#include <functional>

#include "AEConfig.h"
#include "AE_Effect.h"

// Runs `command`; an escaping exception becomes the result, with a message in
// out_data->return_msg (when out_data is given):
//   AEUtil::AEException   its code and text
//   std::exception        PF_Err_INTERNAL_STRUCT_DAMAGED and what()
//   a bare PF_Err         that code, "error code = %d\n%s" with the code's name
//   anything else         PF_Err_INTERNAL_STRUCT_DAMAGED, "unknown error"
PF_Err RunBehindBarrier(PF_OutData *out_data, const std::function<PF_Err()> &command);
