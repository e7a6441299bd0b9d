#include "fxhost/Host.h"

#include <windows.h>

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AE_EffectCBSuites.h"
#include "AE_EffectSuites.h"
#include "BlockPool.h"
#include "CommandCallbacks.h"
#include "Platform.h"
#include "ThreadPool.h"
#include "fxhost/ParamStore.h"

namespace fxhost {

namespace {

std::atomic<Host *> g_current{nullptr};

Host &Active()
{
    Host *host = g_current.load();
    if (host == nullptr) throw std::logic_error("no emulated host is active");
    return *host;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Adds the time until the end of its scope to the host's timing of `name`,
// when timings are on.
class TimedCall {
public:
    TimedCall(Host &host, const char *name) : host_(host), name_(host.timingsOn() ? name : nullptr)
    {
        if (name_ != nullptr) start_ = Clock::now();
    }
    ~TimedCall()
    {
        if (name_ != nullptr) host_.addTiming(name_, Seconds(start_));
    }
    TimedCall(const TimedCall &) = delete;
    TimedCall &operator=(const TimedCall &) = delete;

private:
    Host &host_;
    const char *name_;
    Clock::time_point start_;
};

// Runs a host call of the active host, timed under `name`.
template <class Call>
auto Timed(const char *name, Call call)
{
    Host &host = Active();
    TimedCall timed(host, name);
    return call(host);
}

// ---------------------------------------------------------------- handle callbacks

// The utility callbacks and the Handle Suite share these; `kind` numbers
// each route's calls apart.
template <HostCall kind>
PF_Handle NewHandle(A_u_longlong size)
{
    if (CallFails(kind)) return nullptr;
    return Timed("host_new_handle", [&](Host &host) { return host.callbackNewHandle(size); });
}
template <HostCall kind>
void *LockHandle(PF_Handle handle)
{
    if (CallFails(kind)) return nullptr;
    return Timed("host_lock_handle", [&](Host &host) { return host.callbackLockHandle(handle); });
}
template <HostCall kind>
void UnlockHandle(PF_Handle handle)
{
    CallFails(kind);
    Timed("host_unlock_handle", [&](Host &host) { host.callbackUnlockHandle(handle); });
}
template <HostCall kind>
void DisposeHandle(PF_Handle handle)
{
    CallFails(kind);
    Timed("host_dispose_handle", [&](Host &host) { host.callbackDisposeHandle(handle); });
}
template <HostCall kind>
A_u_longlong HandleSize(PF_Handle handle)
{
    CallFails(kind);
    return Timed("host_get_handle_size", [&](Host &host) { return host.callbackHandleSize(handle); });
}
PF_Err ResizeHandle(A_u_longlong, PF_Handle *) { return PF_Err_INVALID_CALLBACK; }

// ---------------------------------------------------------------- basic suite

SPErr AcquireSuite(const char *name, int version, const void **suite)
{
    if (Active().calls().enter(HostCall::AcquireSuite, nullptr, name, version)) {
        *suite = nullptr;
        return kSPSuiteNotFoundError;
    }
    return Timed("AcquireSuite", [&](Host &host) { return host.acquireSuite(name, version, suite); });
}
// A release the host answers with an error still returns the suite.
SPErr ReleaseSuite(const char *name, int version)
{
    const bool fails = Active().calls().enter(HostCall::ReleaseSuite, nullptr, name, version);
    const SPErr err = Timed("ReleaseSuite", [&](Host &host) { return host.releaseSuite(name, version); });
    return fails ? kSPSuiteNotFoundError : err;
}
SPBoolean IsEqual(const char *a, const char *b) { return std::strcmp(a, b) == 0; }
SPErr AllocateBlock(size_t, void **) { return kSPSuiteNotFoundError; }
SPErr FreeBlock(void *) { return kSPSuiteNotFoundError; }
SPErr ReallocateBlock(void *, size_t, void **) { return kSPSuiteNotFoundError; }
SPErr Undefined() { return kSPSuiteNotFoundError; }

SPBasicSuite g_basicSuite = {AcquireSuite, ReleaseSuite, IsEqual, AllocateBlock, FreeBlock, ReallocateBlock,
                             Undefined};

// ---------------------------------------------------------------- world suites

PF_Err NewWorld1(PF_ProgPtr, A_long width, A_long height, PF_NewWorldFlags flags, PF_EffectWorld *world)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::NewWorld, &code)) return code;
    const PF_PixelFormat format = (flags & PF_NewWorldFlag_DEEP_PIXELS) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
    return Timed("new_world", [&](Host &host) {
        return host.newWorld(width, height, format, (flags & PF_NewWorldFlag_CLEAR_PIXELS) != 0, world);
    });
}
// A dispose the host answers with an error still takes the world back.
template <HostCall kind>
PF_Err DisposeWorld(const char *name, PF_EffectWorld *world)
{
    PF_Err code = PF_Err_NONE;
    const bool fails = CallFails(kind, &code);
    const PF_Err err = Timed(name, [&](Host &host) { return host.disposeWorld(world); });
    return fails ? code : err;
}
PF_Err DisposeWorld1(PF_ProgPtr, PF_EffectWorld *world)
{
    return DisposeWorld<HostCall::DisposeWorld>("dispose_world", world);
}
PF_Err DisposeWorld2(PF_ProgPtr, PF_EffectWorld *world)
{
    return DisposeWorld<HostCall::SuiteDisposeWorld>("PF_DisposeWorld", world);
}
PF_Err GetPixelFormat2(const PF_EffectWorld *world, PF_PixelFormat *format)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::PixelFormat, &code)) return code;
    return Timed("PF_GetPixelFormat", [&](Host &host) { return host.pixelFormatOf(world, format); });
}
PF_Err NewWorld2(PF_ProgPtr, A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format,
                 PF_EffectWorld *world)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::SuiteNewWorld, &code)) return code;
    return Timed("PF_NewWorld", [&](Host &host) { return host.newWorld(width, height, format, clear != 0, world); });
}

const PF_WorldSuite1 g_worldSuite1 = {NewWorld1, DisposeWorld1};
const PF_WorldSuite2 g_worldSuite2 = {NewWorld2, DisposeWorld2, GetPixelFormat2};
const PF_HandleSuite1 g_handleSuite1 = {
    NewHandle<HostCall::SuiteNewHandle>,       LockHandle<HostCall::SuiteLockHandle>,
    UnlockHandle<HostCall::SuiteUnlockHandle>, DisposeHandle<HostCall::SuiteDisposeHandle>,
    HandleSize<HostCall::SuiteHandleSize>,     ResizeHandle};

PF_Err CopyCallback(PF_ProgPtr, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r, PF_Rect *dst_r)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::Copy, &code)) return code;
    return Timed("copy", [&](Host &host) { return CopyPixels(host, src, dst, src_r, dst_r); });
}
PF_Err CopyHqCallback(PF_ProgPtr, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r, PF_Rect *dst_r)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::Copy, &code)) return code;
    return Timed("copy_hq", [&](Host &host) { return CopyPixels(host, src, dst, src_r, dst_r); });
}

PF_Err Fill8(PF_ProgPtr, const PF_Pixel *color, const PF_Rect *rect, PF_EffectWorld *world)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::Fill, &code)) return code;
    return Timed("fill", [&](Host &host) { return FillPixels(host, color, rect, world); });
}
PF_Err Fill16(PF_ProgPtr, const PF_Pixel16 *, const PF_Rect *, PF_EffectWorld *) { return PF_Err_INVALID_CALLBACK; }
PF_Err FillFloat(PF_ProgPtr, const PF_PixelFloat *, const PF_Rect *, PF_EffectWorld *)
{
    return PF_Err_INVALID_CALLBACK;
}

// The host offers whole-world copies and fills only; the other entries are null.
PF_WorldTransformSuite1 WorldTransformSuite()
{
    PF_WorldTransformSuite1 suite{};
    suite.copy = CopyCallback;
    suite.copy_hq = CopyHqCallback;
    return suite;
}
PF_FillMatteSuite2 FillMatteSuite()
{
    PF_FillMatteSuite2 suite{};
    suite.fill = Fill8;
    suite.fill16 = Fill16;
    suite.fill_float = FillFloat;
    return suite;
}
const PF_WorldTransformSuite1 g_worldTransformSuite1 = WorldTransformSuite();
const PF_FillMatteSuite2 g_fillMatteSuite2 = FillMatteSuite();

PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef *def)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::UpdateParamUI, &code)) return code;
    if (Active().shouldFail(Fault::UpdateParamUI, &code)) return code;
    if (effect_ref == nullptr || effect_ref->frame.params == nullptr || def == nullptr)
        return PF_Err_BAD_CALLBACK_PARAM;
    return effect_ref->frame.params->updateUi(index, *def);
}
// The host offers no keyframe or state queries: those entries are null.
template <class Suite>
Suite ParamUtilsSuite()
{
    Suite suite{};
    suite.PF_UpdateParamUI = UpdateParamUI;
    return suite;
}
const PF_ParamUtilsSuite1 g_paramUtilsSuite1 = ParamUtilsSuite<PF_ParamUtilsSuite1>();
const PF_ParamUtilsSuite3 g_paramUtilsSuite3 = ParamUtilsSuite<PF_ParamUtilsSuite3>();

struct SuiteEntry {
    const char *name;
    A_long version;
    const void *suite;
};
const SuiteEntry kSuites[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1, &g_handleSuite1},
    {kPFWorldSuite, kPFWorldSuiteVersion1, &g_worldSuite1},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &g_worldSuite2},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, &g_worldTransformSuite1},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2, &g_fillMatteSuite2},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &g_paramUtilsSuite1},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &g_paramUtilsSuite3},
};

// ---------------------------------------------------------------- utility callbacks

PF_Err IterateGeneric(A_long iterations, void *refcon, IterateFunction function)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::IterateGeneric, &code)) return code;
    return Active().iterate(iterations, refcon, function);
}

PF_Err RGBtoHLSCallback(PF_ProgPtr, PF_Pixel *rgb, PF_HLS_Pixel hls)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::RGBtoHLS, &code)) return code;
    if (Active().shouldFail(Fault::RGBtoHLS, &code)) return code;
    RgbToHls(*rgb, hls);
    return PF_Err_NONE;
}

PF_Err HLStoRGBCallback(PF_ProgPtr, PF_HLS_Pixel, PF_Pixel *) { return PF_Err_INVALID_CALLBACK; }

PF_Err PlatformData(PF_ProgPtr, PF_PlatDataID which, void *data)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::PlatformData, &code)) return code;
    switch (which) {
    case PF_PlatData_MAIN_WND: *static_cast<HWND *>(data) = Active().mainWindow(); return PF_Err_NONE;
    case PF_PlatData_EXE_FILE_PATH_DEPRECATED:
        std::snprintf(static_cast<char *>(data), MAX_PATH, "%s", Active().modulePath().c_str());
        return PF_Err_NONE;
    default: return PF_Err_BAD_CALLBACK_PARAM;
    }
}

// The utility callbacks an effect of this kind calls; the others are null.
PF_UtilCallbacks UtilCallbacks()
{
    PF_UtilCallbacks utils{};
    utils.copy = CopyCallback;
    utils.host_new_handle = NewHandle<HostCall::NewHandle>;
    utils.host_lock_handle = LockHandle<HostCall::LockHandle>;
    utils.host_unlock_handle = UnlockHandle<HostCall::UnlockHandle>;
    utils.host_dispose_handle = DisposeHandle<HostCall::DisposeHandle>;
    utils.host_get_handle_size = HandleSize<HostCall::HandleSize>;
    utils.host_resize_handle = ResizeHandle;
    utils.ansi.sprintf = std::sprintf;
    utils.ansi.strcpy = std::strcpy;
    utils.colorCB.RGBtoHLS = RGBtoHLSCallback;
    utils.colorCB.HLStoRGB = HLStoRGBCallback;
    utils.get_platform_data = PlatformData;
    utils.iterate_generic = IterateGeneric;
    return utils;
}
PF_UtilCallbacks g_utils = UtilCallbacks();

}  // namespace

// ---------------------------------------------------------------- Host

// A handle's memory comes from the host's pool and goes back to it; the
// host clears it.
struct Host::HandleRecord {
    HandleRecord(BlockPool &pool, size_t bytes)
        : pool(pool), size(bytes), block(pool.acquire(bytes)), data(size == 0 ? nullptr : block)
    {
    }
    ~HandleRecord() { pool.release(block, size); }
    HandleRecord(const HandleRecord &) = delete;
    HandleRecord &operator=(const HandleRecord &) = delete;

    BlockPool &pool;
    size_t size;
    uint8_t *block;
    void *data;  // what the handle points at: the block, or null when empty
    int locks = 0;
};

std::string Accounting::describe() const
{
    std::ostringstream text;
    text << "handles " << handles << ", worlds " << worlds << ", suites " << suites << ", param checkouts "
         << paramCheckouts << ", bad releases " << badReleases;
    return text.str();
}

Host::Host() : applId_(ApplicationId('F', 'X', 'T', 'C')), version_{13, 28}
{
    Host *expected = nullptr;
    if (!g_current.compare_exchange_strong(expected, this))
        throw std::logic_error("only one emulated host may be active at a time");
    const unsigned cores = std::thread::hardware_concurrency();
    blocks_ = std::make_unique<BlockPool>();
    setThreadCount(cores > 0 ? static_cast<int>(cores) : 1);
    platform::SetKeyDown(VK_SHIFT, false);
    mainWindow_ = platform::CreateMainWindow("Adobe After Effects", {0, 0, 1920, 1080});
}

Host::~Host()
{
    pool_.reset();
    platform::DestroyMainWindow(mainWindow_);
    g_current.store(nullptr);
}

void Host::setMainWindowRect(const RECT &rect)
{
    MoveWindow(mainWindow_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

Host *Host::current() { return g_current.load(); }

void Host::setThreadCount(int threads)
{
    threadsPerFrame_ = std::max(threads, 1);
    pool_.reset();
    pool_ = std::make_unique<ThreadPool>(concurrentFrames_ * (threadsPerFrame_ - 1));
}

void Host::setConcurrentFrames(int frames)
{
    concurrentFrames_ = std::max(frames, 1);
    setThreadCount(threadsPerFrame_);
}

void Host::frameEnded(bool cancelled)
{
    if (cancelled) frameEndedCancelled_ = true;
    if (--framesRendering_ == 0 && frameEndedCancelled_.exchange(false)) cancelRequested_ = false;
}

void Host::setShiftDown(bool down) { platform::SetKeyDown(VK_SHIFT, down); }

void Host::failNth(Fault fault, int n, PF_Err code)
{
    FaultState &state = faults_[static_cast<int>(fault)];
    state.code = code;
    state.countdown = n;
}

void Host::failAlways(Fault fault, PF_Err code)
{
    FaultState &state = faults_[static_cast<int>(fault)];
    state.code = code;
    state.countdown = -1;
}

void Host::refuseSuite(const std::string &name, A_long version)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refusedSuites_.insert({name, version});
}

void Host::clearFaults()
{
    for (FaultState &state : faults_) state.countdown = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    refusedSuites_.clear();
    refuseBasicSuite_ = false;
    cancelRequested_ = false;
}

bool Host::shouldFail(Fault fault, PF_Err *code)
{
    FaultState &state = faults_[static_cast<int>(fault)];
    int current = state.countdown.load();
    while (current != 0) {
        if (current < 0) {
            if (code) *code = state.code;
            return true;
        }
        if (state.countdown.compare_exchange_weak(current, current - 1)) {
            if (current == 1) {
                if (code) *code = state.code;
                return true;
            }
            return false;
        }
    }
    return false;
}

Accounting Host::accounting() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    Accounting result;
    result.handles = static_cast<long>(handles_.size());
    result.worlds = static_cast<long>(worlds_.size());
    for (const auto &entry : acquired_) {
        auto released = released_.find(entry.first);
        result.suites += entry.second - (released == released_.end() ? 0 : released->second);
    }
    result.paramCheckouts = static_cast<long>(paramCheckouts_.size());
    result.badReleases = badReleases_;
    return result;
}

long Host::acquisitions(const std::string &name, A_long version) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = acquired_.find({name, version});
    return found == acquired_.end() ? 0 : found->second;
}

long Host::releases(const std::string &name, A_long version) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = released_.find({name, version});
    return found == released_.end() ? 0 : found->second;
}

void Host::prepareInData(PF_InData &in_data, PF_ProgressInfo *frame) const
{
    std::memset(&in_data, 0, sizeof in_data);
    in_data.inter = CommandInteractCallbacks();
    in_data.utils = &g_utils;
    in_data.effect_ref = frame;
    in_data.quality = quality_;
    in_data.version = version_;
    in_data.appl_id = applId_;
    in_data.time_step = 1;
    in_data.local_time_step = 1;
    in_data.total_time = 1;
    in_data.time_scale = 24;
    in_data.downsample_x = {1, 1};
    in_data.downsample_y = {1, 1};
    in_data.pixel_aspect_ratio = {1, 1};
    in_data.pica_basicP = refuseBasicSuite_ ? nullptr : &g_basicSuite;
}

PF_Handle Host::newHandle(A_u_longlong size)
{
    auto record = std::make_unique<HandleRecord>(*blocks_, static_cast<size_t>(size));
    // Cleared in bands on the workers: a frame's masks are megabytes each.
    fillBytes(record->block, record->size, 0);
    PF_Handle handle = &record->data;
    std::lock_guard<std::mutex> lock(mutex_);
    handles_.emplace(handle, std::move(record));
    return handle;
}

void Host::disposeHandle(PF_Handle handle) { callbackDisposeHandle(handle); }

std::vector<uint8_t> Host::handleBytes(PF_Handle handle) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = handles_.find(handle);
    if (found == handles_.end()) return {};
    const HandleRecord &record = *found->second;
    return std::vector<uint8_t>(record.block, record.block + record.size);
}

PF_Handle Host::callbackNewHandle(A_u_longlong size)
{
    if (shouldFail(Fault::HandleAllocation)) return nullptr;
    return newHandle(size);
}

void *Host::callbackLockHandle(PF_Handle handle)
{
    if (shouldFail(Fault::HandleLock)) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = handles_.find(handle);
    if (found == handles_.end()) {
        ++badReleases_;
        return nullptr;
    }
    ++found->second->locks;
    return found->second->data;
}

void Host::callbackUnlockHandle(PF_Handle handle)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = handles_.find(handle);
    if (found == handles_.end() || found->second->locks == 0) {
        ++badReleases_;
        return;
    }
    --found->second->locks;
}

void Host::callbackDisposeHandle(PF_Handle handle)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (handles_.erase(handle) == 0) ++badReleases_;
}

A_u_longlong Host::callbackHandleSize(PF_Handle handle)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = handles_.find(handle);
    return found == handles_.end() ? 0 : found->second->size;
}

SPErr Host::acquireSuite(const char *name, A_long version, const void **suite)
{
    *suite = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    if (refusedSuites_.count({name, version})) return kSPSuiteNotFoundError;
    for (const SuiteEntry &entry : kSuites) {
        if (std::strcmp(entry.name, name) == 0 && entry.version == version) {
            *suite = entry.suite;
            ++acquired_[{name, version}];
            return kSPNoError;
        }
    }
    return kSPSuiteNotFoundError;
}

SPErr Host::releaseSuite(const char *name, A_long version)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++released_[{name, version}];
    return kSPNoError;
}

PF_Err Host::newWorld(A_long width, A_long height, PF_PixelFormat format, bool clear, PF_EffectWorld *world)
{
    PF_Err code = PF_Err_NONE;
    if (shouldFail(Fault::NewWorld, &code)) return code;
    if (width <= 0 || height <= 0 || BytesPerPixel(format) == 0) return PF_Err_BAD_CALLBACK_PARAM;
    // A world made without clearing starts with a byte pattern, so that code
    // which reads pixels it never wrote gives itself away.
    auto storage = std::make_unique<WorldStorage>(width, height, format, BytesPerPixel(format), *blocks_);
    fillBytes(reinterpret_cast<uint8_t *>(storage->world().data), storage->size(), clear ? 0 : 0xA5);
    *world = storage->world();
    std::lock_guard<std::mutex> lock(mutex_);
    worlds_.emplace(storage.get(), std::move(storage));
    return PF_Err_NONE;
}

PF_Err Host::disposeWorld(PF_EffectWorld *world)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (world == nullptr || worlds_.erase(world->reserved0) == 0) {
        ++badReleases_;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    std::memset(world, 0, sizeof *world);
    return PF_Err_NONE;
}

PF_Err Host::pixelFormatOf(const PF_EffectWorld *world, PF_PixelFormat *format) const
{
    if (world == nullptr || world->reserved0 == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *format = static_cast<const WorldStorage *>(world->reserved0)->format();
    return PF_Err_NONE;
}

void Host::noteFrameSize(A_long width, A_long height)
{
    const long long pixels = static_cast<long long>(width) * height;
    long long largest = largestFrame_.load();
    while (pixels > largest && !largestFrame_.compare_exchange_weak(largest, pixels)) {
    }
}

int Host::slicesPerCall() const
{
    const long long forFrame = (largestFrame_.load() + kPixelsPerSlice - 1) / kPixelsPerSlice;
    return static_cast<int>(std::clamp<long long>(forFrame, threadsPerFrame_, 4096));
}

void Host::forEachBand(size_t items, size_t itemBytes, const std::function<void(size_t begin, size_t end)> &band)
{
    // Bands of at least a few hundred kilobytes; small jobs stay on the
    // calling thread.
    constexpr size_t kBandBytes = size_t{1} << 19;
    const size_t perBand = std::max<size_t>(1, kBandBytes / std::max<size_t>(itemBytes, 1));
    const size_t bands = std::min<size_t>((items + perBand - 1) / perBand, 4096);
    if (bands <= 1 || threadsPerFrame_ == 1) {
        if (items > 0) band(0, items);
        return;
    }
    pool_->run(static_cast<int>(bands), [&](int i, int) {
        const size_t begin = items * static_cast<size_t>(i) / bands;
        const size_t end = items * (static_cast<size_t>(i) + 1) / bands;
        if (begin < end) band(begin, end);
    });
}

void Host::fillBytes(uint8_t *bytes, size_t size, uint8_t value)
{
    forEachBand(size, 1, [&](size_t begin, size_t end) {
        StreamFill(bytes + begin, end - begin, value);
        _mm_sfence();
    });
}

PF_Err Host::iterate(A_long iterations, void *refcon, IterateFunction function)
{
    const int count = iterations == PF_Iterations_ONCE_PER_PROCESSOR ? slicesPerCall() : iterations;
    if (count <= 0) return PF_Err_NONE;
    const Clock::time_point start = timingsOn_ ? Clock::now() : Clock::time_point();
    std::vector<PF_Err> results(static_cast<size_t>(count), PF_Err_NONE);
    pool_->run(count, [&](int i, int worker) {
        if (cancelRequested_) {
            results[static_cast<size_t>(i)] = PF_Interrupt_CANCEL;
            return;
        }
        results[static_cast<size_t>(i)] = function(refcon, worker, i, count);
        ++slicesRun_;
    });
    if (timingsOn_)
        addTiming("iterate_generic: " + workerName(reinterpret_cast<const void *>(function)), Seconds(start));
    for (PF_Err err : results)
        if (err != PF_Err_NONE) return err;
    return PF_Err_NONE;
}

PF_Err Host::progress(PF_ProgressInfo *frame, A_long current, A_long total)
{
    ++progressCalls_;
    if (frame && frame->frame.progress) frame->frame.progress(current, total);
    PF_Err code = PF_Err_NONE;
    if (shouldFail(Fault::Progress, &code)) return code;
    if (framesRendering_ > 0) return cancelRequested_ ? PF_Interrupt_CANCEL : PF_Err_NONE;
    if (cancelRequested_.exchange(false)) return PF_Interrupt_CANCEL;
    return PF_Err_NONE;
}

std::vector<Host::Timing> Host::timings() const
{
    std::vector<Timing> list;
    {
        std::lock_guard<std::mutex> lock(timingMutex_);
        for (const auto &entry : timings_) list.push_back(entry.second);
    }
    std::stable_sort(list.begin(), list.end(), [](const Timing &a, const Timing &b) { return a.seconds > b.seconds; });
    return list;
}

void Host::clearTimings()
{
    std::lock_guard<std::mutex> lock(timingMutex_);
    timings_.clear();
}

void Host::addTiming(const std::string &name, double seconds)
{
    std::lock_guard<std::mutex> lock(timingMutex_);
    Timing &timing = timings_[name];
    timing.name = name;
    ++timing.calls;
    timing.seconds += seconds;
}

std::string Host::workerName(const void *function)
{
    {
        std::lock_guard<std::mutex> lock(timingMutex_);
        const auto found = workerNames_.find(function);
        if (found != workerNames_.end()) return found->second;
    }
    std::string name = platform::FunctionName(function);
    std::lock_guard<std::mutex> lock(timingMutex_);
    return workerNames_.emplace(function, std::move(name)).first->second;
}

size_t Host::pooledBlocks() const { return blocks_->freeBlocks(); }

size_t Host::pooledBytes() const { return blocks_->freeBytes(); }

void Host::noteParamCheckout(const PF_ParamDef *def)
{
    std::lock_guard<std::mutex> lock(mutex_);
    paramCheckouts_.insert(def);
}

bool Host::noteParamCheckin(const PF_ParamDef *def)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = paramCheckouts_.find(def);
    if (found == paramCheckouts_.end()) {
        ++badReleases_;
        return false;
    }
    paramCheckouts_.erase(found);
    return true;
}

}  // namespace fxhost
