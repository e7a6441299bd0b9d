#include "SuiteCache.h"

namespace AEUtil {

namespace {

struct SuiteName {
    const char *name;
    A_long version;
};

constexpr SuiteName kSuiteNames[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1},
    {kPFWorldSuite, kPFWorldSuiteVersion1},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2},
};
static_assert(sizeof kSuiteNames / sizeof kSuiteNames[0] == static_cast<size_t>(SuiteKind::Count),
              "every suite kind needs a name");

}  // namespace

SuiteCache::SuiteCache(const SPBasicSuite *basic) : basic_(basic)
{
    if (basic_ == nullptr) throw static_cast<PF_Err>(PF_Err_BAD_CALLBACK_PARAM);
}

SuiteCache::~SuiteCache()
{
    for (int i = 0; i < static_cast<int>(SuiteKind::Count); ++i)
        if (slots_[i]) basic_->ReleaseSuite(kSuiteNames[i].name, kSuiteNames[i].version);
}

const void *SuiteCache::get(SuiteKind kind)
{
    const int slot = static_cast<int>(kind);
    if (slots_[slot]) return slots_[slot];
    const void *suite = nullptr;
    SPErr err = basic_->AcquireSuite(kSuiteNames[slot].name, kSuiteNames[slot].version, &suite);
    if (err != kSPNoError || suite == nullptr) throw static_cast<PF_Err>(PF_Err_BAD_CALLBACK_PARAM);
    slots_[slot] = suite;
    return suite;
}

}  // namespace AEUtil
