// The emulated host: the suites and callbacks an effect reaches through
// in_data, with the knobs, fault injection and accounting that tests need.
//
// Callbacks of the effect API carry no host pointer (host_new_handle,
// iterate_generic and the basic suite have none), so one Host is active per
// process at a time; creating a second one while the first lives throws.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "AE_Effect.h"
#include "AE_EffectCB.h"
#include "AE_EffectPixelFormat.h"
#include "SPBasic.h"
#include "fxhost/HostCalls.h"
#include "fxhost/World.h"

struct PF_ProgressInfo;

namespace fxhost {

class ThreadPool;
class ParamStore;
class BlockPool;

// A host's application id as in_data->appl_id carries it: four characters,
// the first in the top byte.
constexpr A_long ApplicationId(char a, char b, char c, char d)
{
    return static_cast<A_long>(static_cast<A_u_long>(static_cast<A_u_char>(a)) << 24 |
                               static_cast<A_u_long>(static_cast<A_u_char>(b)) << 16 |
                               static_cast<A_u_long>(static_cast<A_u_char>(c)) << 8 | static_cast<A_u_char>(d));
}

// The worker iterate_generic runs: refcon, thread index, iteration and
// iteration count.
using IterateFunction = PF_Err (*)(void *refcon, A_long thread_index, A_long i, A_long iterations);

enum class Fault {
    HandleAllocation,
    HandleLock,
    NewWorld,
    Progress,
    RGBtoHLS,
    AddParam,
    CheckoutParam,
    CheckoutLayer,
    CheckoutLayerPixels,
    CheckoutOutput,
    UpdateParamUI,
    Count
};

// What the effect holds of the host's resources at one moment.
struct Accounting {
    long handles = 0;           // handles made and not disposed
    long worlds = 0;            // worlds made through the world suites and not disposed
    long suites = 0;            // suite acquisitions not released
    long paramCheckouts = 0;    // parameter checkouts not checked in
    long badReleases = 0;       // releases of things the host never gave out
    bool balanced() const
    {
        return handles == 0 && worlds == 0 && suites == 0 && paramCheckouts == 0 && badReleases == 0;
    }
    std::string describe() const;
    bool operator==(const Accounting &other) const
    {
        return handles == other.handles && worlds == other.worlds && suites == other.suites &&
               paramCheckouts == other.paramCheckouts && badReleases == other.badReleases;
    }
};

// The per-command record behind effect_ref.
struct CommandFrame {
    ParamStore *params = nullptr;
    PF_EffectWorld *input = nullptr;   // the layer of a render
    PF_EffectWorld *output = nullptr;  // the output of a render
    std::function<void(A_long current, A_long total)> progress;
    long layerCheckouts = 0;  // checkout_layer_pixels not yet checked in
};

// What the user does in a modal dialog of the effect.
struct DialogAction {
    enum Kind { Press = 1, Escape = 2, CloseBox = 3 };  // as Win32Stub_DialogActionKind
    Kind kind;
    int control = 0;  // the button of a Press
    static DialogAction press(int control) { return {Press, control}; }
    static DialogAction escape() { return {Escape, 0}; }
    static DialogAction closeBox() { return {CloseBox, 0}; }
};

// What the user saw of a window: rows from the top, pixels as 0x00RRGGBB.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// What the user was shown in the last modal dialog, once it had opened.
struct DialogRecord {
    struct Control {
        std::string text;
        bool enabled;
    };
    bool shown = false;
    std::string title;
    RECT rect{};
    std::map<int, Control> controls;  // by control id
    // The value EndDialog gave; -1 when the dialog could not be created. On
    // Windows that value stays inside the dialog functions: -1 there always.
    INT_PTR result = -1;
    int ignoredPresses = 0;  // presses on disabled or missing buttons
    Picture picture;         // on Windows; the stand-in draws nothing
};

struct MessageBoxRecord {
    int count = 0;  // message boxes shown so far in this process
    std::string text, caption;
    int type = -1;
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    // The active host; null when there is none.
    static Host *current();

    // ---- knobs
    void setApplicationId(A_long applId) { applId_ = applId; }
    void setApiVersion(A_short major, A_short minor) { version_ = {major, minor}; }
    void setQuality(PF_Quality quality) { quality_ = quality; }
    // The threads one frame's iterate_generic calls work with, the calling
    // thread included.
    void setThreadCount(int threads);
    int threadCount() const { return threadsPerFrame_; }
    // How many frames render at once on host threads of their own (as in a
    // host's multi-frame rendering); the pool keeps threadCount() - 1 worker
    // threads for each, so frames x threads threads run at most.
    void setConcurrentFrames(int frames);
    int concurrentFrames() const { return concurrentFrames_; }
    void setShiftDown(bool down);
    void setModulePath(const std::string &path) { modulePath_ = path; }
    // The host's main window, the parent of the effect's dialogs.
    HWND mainWindow() const { return mainWindow_; }
    void setMainWindowRect(const RECT &rect);

    // ---- the user at the effect's dialogs
    // The next modal dialog: the user's actions in order; once they run out a
    // dialog still open is closed with its close box.
    void scriptDialog(const std::vector<DialogAction> &actions);
    // The next modal dialog cannot be created.
    void failNextDialog();
    DialogRecord lastDialog() const;
    MessageBoxRecord lastMessageBox() const;

    // ---- fault injection
    // The nth call of the kind from now fails (n >= 1); `code` is what a
    // failing callback returns, where it returns a code.
    void failNth(Fault fault, int n, PF_Err code = PF_Err_INTERNAL_STRUCT_DAMAGED);
    // Every call of the kind from now fails.
    void failAlways(Fault fault, PF_Err code = PF_Err_INTERNAL_STRUCT_DAMAGED);
    void refuseSuite(const std::string &name, A_long version);
    void refuseBasicSuite(bool refuse) { refuseBasicSuite_ = refuse; }
    void clearFaults();
    // A user cancel: iterate_generic stops handing out slices and answers
    // PF_Interrupt_CANCEL, and so does every progress call. The request holds
    // for every frame rendering when it comes and is spent once none renders
    // any more: by the last of them to end (when one ended cancelled), or by
    // a frame that ends cancelled alone, or by a progress call outside a
    // frame. Safe to call from a signal handler.
    void requestCancel() { cancelRequested_ = true; }
    // Frames call these around their commands (Effect::render does).
    void frameStarted() { ++framesRendering_; }
    void frameEnded(bool cancelled);

    // iterate_generic with PF_Iterations_ONCE_PER_PROCESSOR hands out at least
    // one slice per thread, and more for large frames, so that a cancel acts
    // between slices within a fraction of a second at any frame size.
    static constexpr long long kPixelsPerSlice = 1 << 18;
    // Notes a frame about to render; slices follow the largest frame so far.
    void noteFrameSize(A_long width, A_long height);
    int slicesPerCall() const;

    // ---- timings
    // With timings on, the host measures every iterate_generic call under the
    // name of its worker function, and every world, handle and suite call
    // under the call's name.
    struct Timing {
        std::string name;
        long calls = 0;
        double seconds = 0;
    };
    void setTimings(bool on) { timingsOn_ = on; }
    bool timingsOn() const { return timingsOn_; }
    // The longest total first.
    std::vector<Timing> timings() const;
    void clearTimings();
    // Adds one call of `seconds` to the timing of `name`.
    void addTiming(const std::string &name, double seconds);
    // The name iterate_generic timings give a worker function.
    std::string workerName(const void *function);

    // ---- memory
    // The world and handle memory kept for reuse: blocks and bytes.
    size_t pooledBlocks() const;
    size_t pooledBytes() const;

    // ---- accounting
    Accounting accounting() const;
    long acquisitions(const std::string &name, A_long version) const;
    long releases(const std::string &name, A_long version) const;
    long progressCalls() const { return progressCalls_; }
    long slicesRun() const { return slicesRun_; }
    // Every call the effect makes into the host, numbered.
    CallLog &calls() { return calls_; }

    // ---- the records a command needs
    // Fills in_data for a command served by `frame` (its address is effect_ref).
    void prepareInData(PF_InData &in_data, PF_ProgressInfo *frame) const;

    // A handle as the host's handle callbacks make it, for tests that hand the
    // effect data of their own (flattened sequence data, for example).
    PF_Handle newHandle(A_u_longlong size);
    void disposeHandle(PF_Handle handle);
    std::vector<uint8_t> handleBytes(PF_Handle handle) const;

    // ---- what the C callbacks reach (public so the callback tables can call in)
    bool shouldFail(Fault fault, PF_Err *code = nullptr);
    PF_Handle callbackNewHandle(A_u_longlong size);
    void *callbackLockHandle(PF_Handle handle);
    void callbackUnlockHandle(PF_Handle handle);
    void callbackDisposeHandle(PF_Handle handle);
    A_u_longlong callbackHandleSize(PF_Handle handle);
    SPErr acquireSuite(const char *name, A_long version, const void **suite);
    SPErr releaseSuite(const char *name, A_long version);
    PF_Err newWorld(A_long width, A_long height, PF_PixelFormat format, bool clear, PF_EffectWorld *world);
    PF_Err disposeWorld(PF_EffectWorld *world);
    PF_Err pixelFormatOf(const PF_EffectWorld *world, PF_PixelFormat *format) const;
    PF_Err iterate(A_long iterations, void *refcon, IterateFunction function);
    // Runs band(begin, end) over bands of [0, items) on the host's threads
    // when the items come to more than a few hundred kilobytes, else over all
    // of them on the calling thread.
    void forEachBand(size_t items, size_t itemBytes, const std::function<void(size_t begin, size_t end)> &band);
    void fillBytes(uint8_t *bytes, size_t size, uint8_t value);
    PF_Err progress(PF_ProgressInfo *frame, A_long current, A_long total);
    void noteParamCheckout(const PF_ParamDef *def);
    bool noteParamCheckin(const PF_ParamDef *def);
    void noteBadRelease() { ++badReleases_; }
    const std::string &modulePath() const { return modulePath_; }

private:
    struct HandleRecord;
    struct FaultState {
        std::atomic<int> countdown{0};  // fails when it reaches 0 from 1; < 0 = always
        std::atomic<PF_Err> code{0};
    };

    A_long applId_;
    PF_SpecVersion version_;
    PF_Quality quality_ = PF_Quality_LO;
    std::string modulePath_;
    HWND mainWindow_ = nullptr;
    int threadsPerFrame_ = 1;
    int concurrentFrames_ = 1;
    std::unique_ptr<ThreadPool> pool_;
    // Before the handles and worlds, which give their memory back to it.
    std::unique_ptr<BlockPool> blocks_;

    FaultState faults_[static_cast<int>(Fault::Count)];
    std::set<std::pair<std::string, A_long>> refusedSuites_;
    bool refuseBasicSuite_ = false;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<int> framesRendering_{0};
    std::atomic<bool> frameEndedCancelled_{false};  // since frames last stopped rendering

    mutable std::mutex mutex_;
    std::unordered_map<PF_Handle, std::unique_ptr<HandleRecord>> handles_;
    std::unordered_map<const void *, std::unique_ptr<WorldStorage>> worlds_;
    std::map<std::pair<std::string, A_long>, long> acquired_;
    std::map<std::pair<std::string, A_long>, long> released_;
    std::multiset<const PF_ParamDef *> paramCheckouts_;
    std::atomic<long> badReleases_{0};
    std::atomic<long> progressCalls_{0};
    std::atomic<long> slicesRun_{0};
    std::atomic<long long> largestFrame_{0};

    std::atomic<bool> timingsOn_{false};
    mutable std::mutex timingMutex_;
    std::map<std::string, Timing> timings_;
    std::map<const void *, std::string> workerNames_;
    CallLog calls_;
};

}  // namespace fxhost

// effect_ref points at one of these: the host's record of the command.
struct PF_ProgressInfo {
    fxhost::CommandFrame frame;
};
