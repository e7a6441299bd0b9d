// Host suites acquired by name and version through the basic suite.
//
// SuiteCache acquires each kind of suite on first use and releases everything
// it acquired when it goes out of scope; a suite the host refuses throws the
// bare error code PF_Err_BAD_CALLBACK_PARAM. ScopedSuite is the non-throwing
// form for callers that have a fallback.
#pragma once

#include "AEConfig.h"
#include "AE_EffectCBSuites.h"
#include "AE_EffectPixelFormat.h"
#include "SPBasic.h"

namespace AEUtil {

enum class SuiteKind { Handle1, WorldTransform1, World1, FillMatte2, Count };

class SuiteCache {
public:
    // Throws PF_Err_BAD_CALLBACK_PARAM (as a bare PF_Err) when basic is null.
    explicit SuiteCache(const SPBasicSuite *basic);
    ~SuiteCache();
    SuiteCache(const SuiteCache &) = delete;
    SuiteCache &operator=(const SuiteCache &) = delete;

    const PF_HandleSuite1 *handleSuite() { return static_cast<const PF_HandleSuite1 *>(get(SuiteKind::Handle1)); }
    const PF_WorldTransformSuite1 *worldTransformSuite()
    {
        return static_cast<const PF_WorldTransformSuite1 *>(get(SuiteKind::WorldTransform1));
    }
    const PF_WorldSuite1 *worldSuite() { return static_cast<const PF_WorldSuite1 *>(get(SuiteKind::World1)); }
    const PF_FillMatteSuite2 *fillMatteSuite()
    {
        return static_cast<const PF_FillMatteSuite2 *>(get(SuiteKind::FillMatte2));
    }

    // The suite's function table; acquired on the first call for the kind.
    const void *get(SuiteKind kind);

private:
    const SPBasicSuite *basic_;
    const void *slots_[static_cast<int>(SuiteKind::Count)] = {};
};

template <class Suite>
class ScopedSuite {
public:
    ScopedSuite(const SPBasicSuite *basic, const char *name, A_long version)
        : basic_(basic), name_(name), version_(version)
    {
        const void *suite = nullptr;
        error_ = basic_ ? basic_->AcquireSuite(name_, version_, &suite) : PF_Err_BAD_CALLBACK_PARAM;
        if (error_ == kSPNoError && suite != nullptr) suite_ = static_cast<const Suite *>(suite);
    }
    ~ScopedSuite()
    {
        if (suite_) basic_->ReleaseSuite(name_, version_);
    }
    ScopedSuite(const ScopedSuite &) = delete;
    ScopedSuite &operator=(const ScopedSuite &) = delete;

    const Suite *get() const { return suite_; }
    const Suite *operator->() const { return suite_; }
    explicit operator bool() const { return suite_ != nullptr; }
    SPErr error() const { return error_; }

private:
    const SPBasicSuite *basic_;
    const char *name_;
    A_long version_;
    const Suite *suite_ = nullptr;
    SPErr error_ = kSPNoError;
};

}  // namespace AEUtil
