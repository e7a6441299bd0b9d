// Host worlds owned by reference-counted handles.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectPixelFormat.h"

namespace AEUtil {

// A host world shared by every copy of the handle; the last copy to go
// disposes the world through the host's world suite.
class EffectWorldPtr {
public:
    EffectWorldPtr() = default;
    EffectWorldPtr(const EffectWorldPtr &other);
    EffectWorldPtr &operator=(const EffectWorldPtr &other);
    ~EffectWorldPtr() { release(); }

    void release();

    PF_EffectWorld *get() const { return world_; }
    PF_EffectWorld *operator->() const { return world_; }
    explicit operator bool() const { return world_ != nullptr; }
    A_long useCount() const;

private:
    friend class WorldSuite;
    struct SharedWorld {
        const SPBasicSuite *basic;
        PF_ProgPtr effectRef;
        PF_EffectWorld world;
        A_long count;
    };

    SharedWorld *block_ = nullptr;
    PF_EffectWorld *world_ = nullptr;
};

class WorldSuite {
public:
    // A new host world. Throws AEException with the host's code when the host
    // fails to make it, or with PF_Err_UNRECOGNIZED_PARAM_TYPE for a float
    // world on a host whose world suite only knows 8 and 16-bit worlds.
    static EffectWorldPtr newWorld(PF_InData *in_data, A_long width, A_long height, bool clear,
                                   PF_PixelFormat format);

    // The world's pixel format; never throws.
    static PF_Err getPixelFormat(PF_InData *in_data, const PF_EffectWorld *world, PF_PixelFormat *format);
};

}  // namespace AEUtil
