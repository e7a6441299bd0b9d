#include "AEMemory.h"

#include <cinttypes>

#include "AEException.h"
#include "CriticalSection.h"
#include "SuiteCache.h"

namespace AEUtil {

namespace {

// Where the failure messages say they come from, in the form the effect has
// always reported.
const char kSourceFile[] = "..\\..\\..\\share\\AEUtil\\AEMemory";
constexpr int kLineNoHandle = 45;
constexpr int kLineNoLock = 56;
const char kAllocFailedFormat[] =
    "void *__cdecl AEUtil::AEMemory::alloc(unsigned __int64,const struct SPBasicSuite *)"
    "\x83\x81\x83\x82\x83\x8a\x8a\x6d\x95\xdb\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"
    "alloc_size=%" PRIu64 "\n";

CriticalSection g_handleLock;

}  // namespace

void *AEMemory::alloc(size_t size, const SPBasicSuite *basic)
{
    if (size == 0 || basic == nullptr) return nullptr;
    SuiteCache suites(basic);
    const PF_HandleSuite1 *handles = suites.handleSuite();

    // Sized in 64 bits so that a large request cannot wrap into a small one.
    const A_u_longlong handleSize = static_cast<A_u_longlong>(size) + sizeof(BlockHeader);
    CriticalSectionLock lock(g_handleLock);
    PF_Handle handle = handles->host_new_handle(handleSize);
    if (handle == nullptr)
        throw AEException(PF_Err_OUT_OF_MEMORY, kLineNoHandle, kSourceFile, kAllocFailedFormat,
                          static_cast<uint64_t>(handleSize));
    auto *header = static_cast<BlockHeader *>(handles->host_lock_handle(handle));
    if (header == nullptr) {
        handles->host_dispose_handle(handle);
        throw AEException(PF_Err_OUT_OF_MEMORY, kLineNoLock, kSourceFile, kAllocFailedFormat,
                          static_cast<uint64_t>(handleSize));
    }
    *header = BlockHeader{handle, 1, size, 0};
    return header + 1;
}

void AEMemory::free(void *block, const SPBasicSuite *basic)
{
    if (block == nullptr || basic == nullptr) return;
    // Blocks are freed by destructors, which must not throw: a host that
    // refuses the handle suite now keeps the block.
    ScopedSuite<PF_HandleSuite1> handles(basic, kPFHandleSuite, kPFHandleSuiteVersion1);
    if (!handles) return;

    CriticalSectionLock lock(g_handleLock);
    PF_Handle handle = (static_cast<BlockHeader *>(block) - 1)->handle;
    if (handle != nullptr) {
        handles->host_unlock_handle(handle);
        handles->host_dispose_handle(handle);
    }
}

}  // namespace AEUtil
