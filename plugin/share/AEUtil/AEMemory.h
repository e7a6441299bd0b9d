// Memory blocks carved from locked host handles.
//
// Every block sits behind a BlockHeader inside one host handle that stays
// locked for the block's whole life. All host-handle calls are serialised by
// one process-wide critical section.
#pragma once

#include <cstddef>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "SPBasic.h"

namespace AEUtil {

struct BlockHeader {
    PF_Handle handle;
    A_u_longlong lockCount;
    A_u_longlong size;
    A_u_longlong reserved;
};
static_assert(sizeof(BlockHeader) == 32, "the header is four 64-bit words");

class AEMemory {
public:
    // Null for a size of 0 or a null basic suite. Throws AEException (out of
    // memory) when the host gives no handle or cannot lock it, and the bare
    // PF_Err_BAD_CALLBACK_PARAM when the handle suite is missing.
    static void *alloc(size_t size, const SPBasicSuite *basic);
    // Never throws; without the handle suite the block stays with the host.
    static void free(void *block, const SPBasicSuite *basic);
};

}  // namespace AEUtil
