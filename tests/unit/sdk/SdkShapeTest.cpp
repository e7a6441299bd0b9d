// sdk/ stands in for the host's SDK headers: the records the host and the
// effect share must have the host's layout, and the constants its values, or a
// module built here misreads a real host. The numbers are those of the host's
// own headers on 64-bit Windows and Linux.
#include <cstddef>

#include <gtest/gtest.h>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectCB.h"
#include "AE_EffectCBSuites.h"
#include "AE_EffectPixelFormat.h"
#include "AE_EffectSuites.h"
#include "SPBasic.h"

static_assert(sizeof(void *) == 8, "the layouts below are those of a 64-bit build");

TEST(SdkShape, CommandRecordsHaveTheHostsLayout)
{
    EXPECT_EQ(sizeof(PF_InData), 408u);
    EXPECT_EQ(offsetof(PF_InData, utils), 176u);
    EXPECT_EQ(offsetof(PF_InData, appl_id), 204u);
    EXPECT_EQ(offsetof(PF_InData, sequence_data), 320u);
    EXPECT_EQ(offsetof(PF_InData, pica_basicP), 384u);
    EXPECT_EQ(sizeof(PF_OutData), 408u);
    EXPECT_EQ(offsetof(PF_OutData, return_msg), 100u);
    EXPECT_EQ(offsetof(PF_OutData, out_flags2), 400u);
    EXPECT_EQ(sizeof(PF_ParamDef), 176u);
    EXPECT_EQ(offsetof(PF_ParamDef, u), 56u);
    EXPECT_EQ(sizeof(PF_LayerDef), 120u);
    EXPECT_EQ(offsetof(PF_LayerDef, data), 24u);
    EXPECT_EQ(offsetof(PF_FloatSliderDef, useExponent), 80u);
    EXPECT_EQ(offsetof(PF_PreRenderOutput, pre_render_data), 40u);
    EXPECT_EQ(offsetof(PF_SmartRenderInput, pre_render_data), 48u);
}

TEST(SdkShape, CallbackTablesPutEachEntryWhereTheHostDoes)
{
    EXPECT_EQ(offsetof(PF_InteractCallbacks, progress), 32u);
    EXPECT_EQ(sizeof(PF_InteractCallbacks), 176u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, copy), 64u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, host_new_handle), 160u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, ansi) + offsetof(PF_ANSICallbacks, sprintf), 328u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, colorCB), 368u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, get_platform_data), 432u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, host_get_handle_size), 440u);
    EXPECT_EQ(offsetof(PF_UtilCallbacks, iterate_generic), 456u);
    EXPECT_EQ(offsetof(PF_WorldTransformSuite1, copy), 24u);
    EXPECT_EQ(offsetof(PF_WorldTransformSuite1, copy_hq), 32u);
    EXPECT_EQ(offsetof(PF_ParamUtilsSuite1, PF_KeyIndexToTime), 72u);
    EXPECT_EQ(offsetof(PF_ParamUtilsSuite3, PF_KeyIndexToTime), 64u);
    EXPECT_EQ(sizeof(SPBasicSuite), 56u);
}

TEST(SdkShape, ConstantsHaveTheHostsValues)
{
    // The first character of a pixel format sits in the low byte.
    EXPECT_EQ(PF_PixelFormat_ARGB32, 0x62677261);
    EXPECT_EQ(PF_PixelFormat_ARGB64, 0x36316561);
    EXPECT_EQ(PF_PixelFormat_ARGB128, 0x32336561);
    EXPECT_EQ(PF_PixelFormat_INVALID, 0x66646162);
    EXPECT_EQ(kPFHandleSuiteVersion1, 2);
    EXPECT_EQ(kPFParamUtilsSuiteVersion1, 2);
    EXPECT_EQ(kSPSuiteNotFoundError, 0x53214664);
    EXPECT_EQ(PF_VERSION(1, 0, 2, PF_Stage_RELEASE, 8), 0x00081608u);
    EXPECT_EQ(PF_Iterations_ONCE_PER_PROCESSOR, -1);
}
