// Every call the effect makes into the host during a typical use, failed one
// at a time: the use is recorded once, then replayed once for each call that
// the host can fail, with that call alone failing. Each replay must end the
// command with the code and message that failure calls for, hand back every
// handle, world, suite and parameter it took, and never crash.
#include <win32stub_control.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "CelRender.h"
#include "TempFolder.h"

namespace {

using fxhost::HostCall;
using fxhost::RecordedCall;

// A code only a host gives, so that passing it on is told apart from the
// effect's own codes.
constexpr PF_Err kHostsOwnCode = 7001;

const char kMissingSuite[] = "error code = 516\nPF_Err_BAD_CALLBACK_PARAM";
const char kNoHandle[] = "..\\..\\..\\share\\AEUtil\\AEMemory(45): ";
const char kNoLock[] = "..\\..\\..\\share\\AEUtil\\AEMemory(56): ";
const char kNoWorld[] = "..\\..\\..\\share\\AEUtil\\AEWorldSuite(151): class AEUtil::EffectWorldPtr";

constexpr PF_Pixel kLeaf = {255, 90, 200, 90};
constexpr PF_Pixel kSky = {255, 240, 150, 40};

// A small picture with a region of every colour the controls below key.
PF_Pixel Picture(A_long x, A_long y)
{
    if (x < 2 && y < 2) return {0, 10, 20, 30};
    if (x == 9 || y == 7) return cel::kLine;
    if (x >= 2 && x < 8 && y >= 1 && y < 6) return cel::kKey;
    if (x > 9 && y < 7) return kSky;
    if (x < 9 && y > 7) return kLeaf;
    return cel::kFill;
}

// The Base pass with two keys and all four processes, each smoothing and
// blurring its boundary.
void SetControls(fxhost::Effect &effect)
{
    effect.setValue("Color 1 Range", 10);
    effect.setValue("Enable 2", 1);
    effect.setColour("Color 2", kSky);
    effect.setValue("Keep Division", 0);
    const PF_Pixel colours[] = {cel::kLine, kSky, kLeaf, cel::kFill};
    for (int n = 1; n <= 4; ++n) {
        const std::string group = std::to_string(n) + " : ";
        effect.setValue(group + "Enable Process", 1);
        effect.setColour(group + "Color", colours[n - 1]);
        effect.setValue(group + "Boundary Blur", 6);
        effect.setValue(group + "Boundary Bias", 10);
    }
}

// One run of the use: a host, the module and one effect instance of its
// own, one thread per frame so that every run makes its calls in one order.
struct Session {
    Session()
    {
        host.setThreadCount(1);
        host.setModulePath(SALLOW_MODULE_PATH);
        Win32Stub_SetAppDataFolder(appData.path().c_str());
    }
    ~Session() { Win32Stub_SetAppDataFolder(nullptr); }

    // Sets down what the host still holds for the instance.
    void Close()
    {
        if (effect.sequenceData() != nullptr) effect.send(PF_Cmd_SEQUENCE_SETDOWN);
    }

    TempFolder appData;
    fxhost::Host host;
    fxhost::Module module{SALLOW_MODULE_PATH};
    fxhost::Effect effect{host, module};
};

struct Step {
    std::string name;
    PF_PixelFormat format;  // of a render's frame; 0 for other commands
    std::function<fxhost::CommandResult(Session &)> run;
    bool leavesNothing = false;  // later steps do not need it: renders and the dialog
};

fxhost::CommandResult Send(Session &session, PF_Cmd cmd) { return session.effect.send(cmd); }

fxhost::CommandResult RenderAt(Session &session, PF_PixelFormat format, bool smart)
{
    fxhost::World input = testpixels::Draw(14, 10, format, Picture);
    fxhost::World output(input.width(), input.height(), format);
    fxhost::RenderOptions options;
    options.smart = smart;
    return session.effect.render(input, output, options);
}

const char *DepthName(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32 ? "8-bit" : format == PF_PixelFormat_ARGB64 ? "16-bit" : "float";
}

// The commands of a user's session with the effect, in order.
std::vector<Step> TypicalUse()
{
    std::vector<Step> steps = {
        {"global setup", 0, [](Session &s) { return Send(s, PF_Cmd_GLOBAL_SETUP); }},
        {"params setup", 0,
         [](Session &s) {
             fxhost::CommandResult result = Send(s, PF_Cmd_PARAMS_SETUP);
             if (result.err == PF_Err_NONE) SetControls(s.effect);
             return result;
         }},
        {"sequence setup", 0, [](Session &s) { return Send(s, PF_Cmd_SEQUENCE_SETUP); }},
        {"sequence flatten", 0, [](Session &s) { return Send(s, PF_Cmd_SEQUENCE_FLATTEN); }},
        {"sequence resetup", 0, [](Session &s) { return Send(s, PF_Cmd_SEQUENCE_RESETUP); }},
        {"parameter UI update", 0, [](Session &s) { return Send(s, PF_Cmd_UPDATE_PARAMS_UI); }},
    };
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        steps.push_back({std::string("smart render ") + DepthName(format), format,
                         [format](Session &s) { return RenderAt(s, format, true); }, true});
        steps.push_back({std::string("classic render ") + DepthName(format), format,
                         [format](Session &s) { return RenderAt(s, format, false); }, true});
    }
    steps.push_back({"options dialog", 0,
                     [](Session &s) {
                         s.host.scriptDialog({fxhost::DialogAction::press(2001)});
                         return Send(s, PF_Cmd_DO_DIALOG);
                     },
                     true});
    steps.push_back({"sequence setdown", 0, [](Session &s) { return Send(s, PF_Cmd_SEQUENCE_SETDOWN); }});
    steps.push_back({"global setdown", 0, [](Session &s) { return Send(s, PF_Cmd_GLOBAL_SETDOWN); }});
    return steps;
}

// The calls of one unfailed run of the use, and where each step's calls begin.
struct Recording {
    std::vector<RecordedCall> calls;
    std::vector<size_t> stepStarts;  // one past the last: calls.size()
};

Recording Record(const std::vector<Step> &steps)
{
    Recording recording;
    Session session;
    fxhost::CallLog &log = session.host.calls();
    log.startRecording();
    for (const Step &step : steps) {
        recording.stepStarts.push_back(static_cast<size_t>(log.callsSoFar()));
        const fxhost::CommandResult result = step.run(session);
        EXPECT_EQ(result.err, PF_Err_NONE) << step.name << ": " << result.message();
    }
    recording.calls = log.stopRecording();
    recording.stepStarts.push_back(recording.calls.size());
    session.Close();
    EXPECT_TRUE(session.host.accounting().balanced()) << session.host.accounting().describe();
    return recording;
}

// One way a replay may end.
struct Outcome {
    PF_Err code = PF_Err_NONE;
    std::string message;           // return_msg, or its beginning when `prefix`
    bool prefix = false;
    bool leavesOneHandle = false;  // the block whose only way back was refused

    bool matches(const fxhost::CommandResult &result) const
    {
        const std::string text = result.message();
        return result.err == code && (prefix ? text.compare(0, message.size(), message) == 0 : text == message);
    }
};

bool IsSuite(const RecordedCall &call, const char *name, A_long version)
{
    return call.suite == name && call.version == version;
}

// The ways failing call i of the recording, which falls in `step`, may end.
std::vector<Outcome> Expected(const Recording &recording, size_t i, const Step &step, size_t stepStart)
{
    const std::vector<RecordedCall> &calls = recording.calls;
    const RecordedCall &call = calls[i];
    const RecordedCall *next = i + 1 < calls.size() ? &calls[i + 1] : nullptr;
    const auto nextIs = [next](HostCall kind) { return next != nullptr && next->call == kind; };
    const Outcome none{};
    const Outcome hostsOwn{kHostsOwnCode, ""};
    // The buffers of the blur and propagation kernels end their pass with
    // out of memory, whatever kept them from being made.
    const Outcome scratchOutOfMemory{PF_Err_OUT_OF_MEMORY, ""};
    switch (call.call) {
    case HostCall::AcquireSuite:
        // Without the newer world suite the older one serves 8 and 16 bits;
        // a float world cannot be made without it.
        if (IsSuite(call, kPFWorldSuite, kPFWorldSuiteVersion2)) {
            if (nextIs(HostCall::SuiteNewWorld) && step.format == PF_PixelFormat_ARGB128)
                return {{PF_Err_UNRECOGNIZED_PARAM_TYPE, kNoWorld, true}};
            return {none};
        }
        // A block goes back to the host through the handle suite only.
        if (call.suite == kPFHandleSuite && nextIs(HostCall::SuiteUnlockHandle))
            return {{PF_Err_NONE, "", false, true}};
        if (call.suite == kPFHandleSuite) return {{PF_Err_BAD_CALLBACK_PARAM, kMissingSuite}, scratchOutOfMemory};
        return {{PF_Err_BAD_CALLBACK_PARAM, kMissingSuite}};
    case HostCall::NewHandle: return {{PF_Err_OUT_OF_MEMORY, ""}};
    case HostCall::LockHandle: {
        // Resetup takes flat data it cannot look at as no data at all.
        bool firstLockOfStep = true;
        for (size_t j = stepStart; j < i; ++j) firstLockOfStep = firstLockOfStep && calls[j].call != HostCall::LockHandle;
        if (step.name == "sequence resetup" && firstLockOfStep) return {none};
        return {{PF_Err_INTERNAL_STRUCT_DAMAGED, ""}};
    }
    case HostCall::SuiteNewHandle: return {{PF_Err_OUT_OF_MEMORY, kNoHandle, true}, scratchOutOfMemory};
    case HostCall::SuiteLockHandle: return {{PF_Err_OUT_OF_MEMORY, kNoLock, true}, scratchOutOfMemory};
    case HostCall::SuiteNewWorld: return {{kHostsOwnCode, kNoWorld, true}};
    // Edge smoothing's own failures leave the frame unsmoothed: its copy
    // (followed by the world suite it makes its map with) and its map world.
    case HostCall::Copy:
        return {nextIs(HostCall::AcquireSuite) && IsSuite(*next, kPFWorldSuite, kPFWorldSuiteVersion1) ? none
                                                                                                       : hostsOwn};
    case HostCall::NewWorld: return {none};
    // The edge map, made right after its world, is filled on the effect's own
    // thread when the host refuses to share the work out.
    case HostCall::IterateGeneric:
        return {i > 0 && calls[i - 1].call == HostCall::NewWorld ? none : hostsOwn};
    // Releases and interface updates the host answers with an error change
    // nothing; a dialog without the host's window opens on the desktop.
    case HostCall::ReleaseSuite:
    case HostCall::DisposeWorld:
    case HostCall::SuiteDisposeWorld:
    case HostCall::UpdateParamUI:
    case HostCall::PlatformData: return {none};
    case HostCall::Progress: return {{PF_Interrupt_CANCEL, ""}};
    default: return {hostsOwn};
    }
}

class FaultMatrix : public ::testing::TestWithParam<size_t> {
protected:
    static void SetUpTestSuite()
    {
        steps_ = new std::vector<Step>(TypicalUse());
        recording_ = new Recording(Record(*steps_));
    }
    static void TearDownTestSuite()
    {
        delete recording_;
        delete steps_;
    }

    // Runs the use up to `step` with recorded call i, which belongs to that
    // step, failing; earlier steps that leave nothing behind are left out.
    // Returns the step's result.
    static fxhost::CommandResult Replay(Session &session, size_t i, size_t step, PF_Err code)
    {
        const std::vector<size_t> &starts = recording_->stepStarts;
        size_t before = 0;
        for (size_t s = 0; s < step; ++s)
            if (!(*steps_)[s].leavesNothing) before += starts[s + 1] - starts[s];
        session.host.calls().failCall(static_cast<long>(before + i - starts[step] + 1), code);
        for (size_t s = 0; s < step; ++s) {
            if (!(*steps_)[s].leavesNothing) {
                EXPECT_EQ((*steps_)[s].run(session).err, PF_Err_NONE) << (*steps_)[s].name;
            }
        }
        const fxhost::CommandResult result = (*steps_)[step].run(session);
        session.Close();
        return result;
    }

    static std::vector<Step> *steps_;
    static Recording *recording_;
};

std::vector<Step> *FaultMatrix::steps_ = nullptr;
Recording *FaultMatrix::recording_ = nullptr;

TEST_P(FaultMatrix, EveryCallOfTheStepFailsCleanly)
{
    const size_t stepIndex = GetParam();
    const Step &step = (*steps_)[stepIndex];
    const size_t first = recording_->stepStarts[stepIndex];
    const size_t end = recording_->stepStarts[stepIndex + 1];
    size_t replayed = 0;
    for (size_t i = first; i < end; ++i) {
        const RecordedCall &call = recording_->calls[i];
        if (!fxhost::CanFail(call.call)) continue;
        ++replayed;
        const std::vector<Outcome> expected = Expected(*recording_, i, step, first);
        const PF_Err code = call.call == HostCall::Progress ? PF_Interrupt_CANCEL : kHostsOwnCode;
        Session session;
        const fxhost::CommandResult result = Replay(session, i, stepIndex, code);
        const std::string where = step.name + ", call " + std::to_string(i + 1) + " " + call.describe();
        ASSERT_TRUE(session.host.calls().failed()) << where << ": the replay never reached the call";
        const auto matching = std::find_if(expected.begin(), expected.end(),
                                           [&result](const Outcome &outcome) { return outcome.matches(result); });
        EXPECT_NE(matching, expected.end()) << where << ": " << result.err << " \"" << result.message() << "\"";
        fxhost::Accounting accounting = session.host.accounting();
        if (matching != expected.end() && matching->leavesOneHandle) {
            EXPECT_EQ(accounting.handles, 1) << where;
            accounting.handles = 0;
        }
        EXPECT_TRUE(accounting.balanced()) << where << ": " << accounting.describe();
    }
    RecordProperty("calls", static_cast<int>(end - first));
    RecordProperty("replayed", static_cast<int>(replayed));
}

INSTANTIATE_TEST_SUITE_P(TypicalUse, FaultMatrix, ::testing::Range<size_t>(0, TypicalUse().size()),
                         [](const ::testing::TestParamInfo<size_t> &info) {
                             std::string name = TypicalUse()[info.param].name;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
