// Every call the effect makes into the emulated host passes through one
// CallLog, which numbers it: a test can record the calls of a use of the
// effect and then replay that use failing any one of them.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "AE_Effect.h"

namespace fxhost {

enum class HostCall {
    AcquireSuite,
    ReleaseSuite,
    NewHandle,  // in_data->utils; the Handle Suite's entries are numbered apart
    LockHandle,
    UnlockHandle,
    DisposeHandle,
    HandleSize,
    SuiteNewHandle,
    SuiteLockHandle,
    SuiteUnlockHandle,
    SuiteDisposeHandle,
    SuiteHandleSize,
    NewWorld,  // PF_WorldSuite1; PF_WorldSuite2's entries are numbered apart
    DisposeWorld,
    SuiteNewWorld,
    SuiteDisposeWorld,
    PixelFormat,
    AddParam,
    CheckoutParam,
    CheckinParam,
    CheckoutLayer,
    CheckoutLayerPixels,
    CheckinLayerPixels,
    CheckoutOutput,
    RGBtoHLS,
    IterateGeneric,
    Progress,
    UpdateParamUI,
    Fill,
    Copy,
    PlatformData,
    Count
};

// The name of the host function, as the effect API spells it.
const char *HostCallName(HostCall call);
// Whether the API gives the call a way to fail: an error code or a null
// result. Unlock, dispose and size queries have none.
bool CanFail(HostCall call);

struct RecordedCall {
    HostCall call;
    std::string suite;  // the suite an acquisition or release names
    A_long version = 0;
    std::string describe() const;
};

class CallLog {
public:
    // Numbers calls from 1 again and keeps a record of each until
    // stopRecording.
    void startRecording();
    std::vector<RecordedCall> stopRecording();

    // The nth call from now (n >= 1) fails with `code`.
    void failCall(long n, PF_Err code);
    // The calls so far: since the log began or recording last started.
    long callsSoFar() const { return count_; }
    // Whether the call armed by failCall has come.
    bool failed() const { return failed_; }

    // Counts one call; true when it is the one to fail, with its code.
    bool enter(HostCall call, PF_Err *code, const char *suite = nullptr, A_long version = 0);

private:
    std::atomic<long> count_{0};
    std::atomic<long> failAt_{0};
    std::atomic<PF_Err> failCode_{PF_Err_NONE};
    std::atomic<bool> failed_{false};
    std::atomic<bool> recording_{false};
    std::mutex mutex_;
    std::vector<RecordedCall> calls_;
};

}  // namespace fxhost
