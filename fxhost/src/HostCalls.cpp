#include "fxhost/HostCalls.h"

namespace fxhost {

const char *HostCallName(HostCall call)
{
    switch (call) {
    case HostCall::AcquireSuite: return "AcquireSuite";
    case HostCall::ReleaseSuite: return "ReleaseSuite";
    case HostCall::NewHandle: return "host_new_handle";
    case HostCall::LockHandle: return "host_lock_handle";
    case HostCall::UnlockHandle: return "host_unlock_handle";
    case HostCall::DisposeHandle: return "host_dispose_handle";
    case HostCall::HandleSize: return "host_get_handle_size";
    case HostCall::SuiteNewHandle: return "PF_HandleSuite1::host_new_handle";
    case HostCall::SuiteLockHandle: return "PF_HandleSuite1::host_lock_handle";
    case HostCall::SuiteUnlockHandle: return "PF_HandleSuite1::host_unlock_handle";
    case HostCall::SuiteDisposeHandle: return "PF_HandleSuite1::host_dispose_handle";
    case HostCall::SuiteHandleSize: return "PF_HandleSuite1::host_get_handle_size";
    case HostCall::NewWorld: return "new_world";
    case HostCall::DisposeWorld: return "dispose_world";
    case HostCall::SuiteNewWorld: return "PF_NewWorld";
    case HostCall::SuiteDisposeWorld: return "PF_DisposeWorld";
    case HostCall::PixelFormat: return "PF_GetPixelFormat";
    case HostCall::AddParam: return "add_param";
    case HostCall::CheckoutParam: return "checkout_param";
    case HostCall::CheckinParam: return "checkin_param";
    case HostCall::CheckoutLayer: return "checkout_layer";
    case HostCall::CheckoutLayerPixels: return "checkout_layer_pixels";
    case HostCall::CheckinLayerPixels: return "checkin_layer_pixels";
    case HostCall::CheckoutOutput: return "checkout_output";
    case HostCall::RGBtoHLS: return "RGBtoHLS";
    case HostCall::IterateGeneric: return "iterate_generic";
    case HostCall::Progress: return "progress";
    case HostCall::UpdateParamUI: return "PF_UpdateParamUI";
    case HostCall::Fill: return "fill";
    case HostCall::Copy: return "copy";
    case HostCall::PlatformData: return "get_platform_data";
    case HostCall::Count: break;
    }
    return "?";
}

bool CanFail(HostCall call)
{
    switch (call) {
    case HostCall::UnlockHandle:
    case HostCall::DisposeHandle:
    case HostCall::HandleSize:
    case HostCall::SuiteUnlockHandle:
    case HostCall::SuiteDisposeHandle:
    case HostCall::SuiteHandleSize: return false;
    default: return true;
    }
}

std::string RecordedCall::describe() const
{
    std::string text = HostCallName(call);
    if (!suite.empty()) text += " \"" + suite + "\" " + std::to_string(version);
    return text;
}

void CallLog::startRecording()
{
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    count_ = 0;
    recording_ = true;
}

std::vector<RecordedCall> CallLog::stopRecording()
{
    std::lock_guard<std::mutex> lock(mutex_);
    recording_ = false;
    return std::move(calls_);
}

void CallLog::failCall(long n, PF_Err code)
{
    failCode_ = code;
    failed_ = false;
    failAt_ = count_ + n;
}

bool CallLog::enter(HostCall call, PF_Err *code, const char *suite, A_long version)
{
    const long number = ++count_;
    if (recording_) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back({call, suite ? suite : "", version});
    }
    if (number != failAt_) return false;
    failed_ = true;
    if (code) *code = failCode_;
    return true;
}

}  // namespace fxhost
