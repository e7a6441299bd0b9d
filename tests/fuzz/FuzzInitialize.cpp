// libFuzzer's start-up hook: the module is loaded and applied before the
// first input, so its coverage counts from the start.
#include "FuzzSession.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::Applied();
    return 0;
}
