#include "AEWorldSuite.h"

#include "AEException.h"
#include "AE_EffectCBSuites.h"
#include "SuiteCache.h"

namespace AEUtil {

namespace {

const char kSourceFile[] = "..\\..\\..\\share\\AEUtil\\AEWorldSuite";
constexpr int kLineNewWorldFailed = 151;
const char kNewWorldSignature[] =
    "class AEUtil::EffectWorldPtr __cdecl AEUtil::WorldSuite::newWorld(struct PF_InData *,int,int,bool,unsigned "
    "int)";

}  // namespace

EffectWorldPtr::EffectWorldPtr(const EffectWorldPtr &other) : block_(other.block_), world_(other.world_)
{
    if (block_) ++block_->count;
}

EffectWorldPtr &EffectWorldPtr::operator=(const EffectWorldPtr &other)
{
    if (other.block_) ++other.block_->count;
    release();
    block_ = other.block_;
    world_ = other.world_;
    return *this;
}

A_long EffectWorldPtr::useCount() const { return block_ ? block_->count : 0; }

void EffectWorldPtr::release()
{
    if (block_ == nullptr) return;
    if (--block_->count == 0) {
        if (world_ != nullptr) {
            ScopedSuite<PF_WorldSuite2> suite2(block_->basic, kPFWorldSuite, kPFWorldSuiteVersion2);
            if (suite2) {
                suite2->PF_DisposeWorld(block_->effectRef, world_);
            } else {
                ScopedSuite<PF_WorldSuite1> suite1(block_->basic, kPFWorldSuite, kPFWorldSuiteVersion1);
                if (suite1) suite1->dispose_world(block_->effectRef, world_);
            }
        }
        delete block_;
    }
    block_ = nullptr;
    world_ = nullptr;
}

EffectWorldPtr WorldSuite::newWorld(PF_InData *in_data, A_long width, A_long height, bool clear,
                                    PF_PixelFormat format)
{
    EffectWorldPtr result;
    result.block_ = new EffectWorldPtr::SharedWorld{in_data->pica_basicP, in_data->effect_ref, {}, 1};

    PF_Err err = PF_Err_NONE;
    bool made = false;
    {
        ScopedSuite<PF_WorldSuite2> suite2(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2);
        if (suite2) {
            err = suite2->PF_NewWorld(in_data->effect_ref, width, height, clear, format, &result.block_->world);
            made = true;
        }
    }
    if (!made && (format == PF_PixelFormat_ARGB32 || format == PF_PixelFormat_ARGB64)) {
        ScopedSuite<PF_WorldSuite1> suite1(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion1);
        if (suite1) {
            PF_NewWorldFlags flags = format == PF_PixelFormat_ARGB64 ? PF_NewWorldFlag_DEEP_PIXELS : 0;
            if (clear) flags |= PF_NewWorldFlag_CLEAR_PIXELS;
            err = suite1->new_world(in_data->effect_ref, width, height, flags, &result.block_->world);
            made = true;
        }
    }
    if (err != PF_Err_NONE) {
        result.release();
        throw AEException(err, kLineNewWorldFailed, kSourceFile, "%s", kNewWorldSignature);
    }
    if (!made) {
        // Callers always expect a world; a host that cannot make this one is
        // reported rather than leaving them with none.
        result.release();
        throw AEException(PF_Err_UNRECOGNIZED_PARAM_TYPE, kLineNewWorldFailed, kSourceFile, "%s",
                          kNewWorldSignature);
    }
    result.world_ = &result.block_->world;
    return result;
}

PF_Err WorldSuite::getPixelFormat(PF_InData *in_data, const PF_EffectWorld *world, PF_PixelFormat *format)
{
    ScopedSuite<PF_WorldSuite2> suite2(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2);
    if (suite2) return suite2->PF_GetPixelFormat(world, format);
    *format = (world->world_flags & PF_WorldFlag_DEEP) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
    return PF_Err_NONE;
}

}  // namespace AEUtil
