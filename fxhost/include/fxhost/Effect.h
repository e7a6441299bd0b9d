// One effect instance applied in the emulated host: sends it commands with
// in_data, out_data, params and extra filled as a host would, keeps its
// sequence data and its controls, and renders frames.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fxhost/Host.h"
#include "fxhost/Module.h"
#include "fxhost/ParamStore.h"
#include "fxhost/World.h"

namespace fxhost {

struct CommandResult {
    PF_Err err = PF_Err_NONE;
    PF_OutData out{};
    std::string message() const { return out.return_msg; }
};

struct RenderOptions {
    bool smart = true;  // pre-render then smart render; false: the classic render command
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    std::optional<PF_LRect> area;  // the whole frame by default
    std::function<void(A_long current, A_long total)> progress;
};

class Effect {
public:
    Effect(Host &host, const Module &module);
    // Sets the sequence data down if the instance still holds some.
    ~Effect();
    Effect(const Effect &) = delete;
    Effect &operator=(const Effect &) = delete;

    // A command with the instance's params array; updates the sequence data
    // the way a host does after the sequence commands.
    CommandResult send(PF_Cmd cmd, PF_LayerDef *output = nullptr, void *extra = nullptr);

    // Global setup, parameter setup and sequence setup, as when a user
    // applies the effect; throws std::runtime_error on a failed command.
    void apply();

    // Save and reopen: flatten, then rebuild from the flat copy.
    CommandResult saveAndReopen();

    PF_Handle sequenceData() const { return sequenceData_; }
    // Hands the instance a sequence handle (the host's, for a resetup).
    void setSequenceData(PF_Handle handle) { sequenceData_ = handle; }

    ParamStore &params() { return params_; }
    // Sets a control's value by name; throws std::invalid_argument for an
    // unknown name.
    void setValue(const std::string &name, double value);
    void setColour(const std::string &name, PF_Pixel colour);

    // Renders input into output; output must be the same format. Several
    // threads may render frames at once through one instance, each its own
    // pre-render and render, as a host does with an effect that declares
    // PF_OutFlag2_I_AM_THREADSAFE, while no thread changes the controls.
    CommandResult render(World &input, World &output, const RenderOptions &options = {});

    Host &host() { return host_; }

private:
    // Sends a command with a prepared in_data; `params` defaults to the
    // instance's own array.
    CommandResult dispatch(PF_Cmd cmd, PF_InData &in_data, PF_LayerDef *output, void *extra,
                           PF_ParamDef **params = nullptr);
    CommandResult renderSmart(World &input, World &output, const RenderOptions &options);
    CommandResult renderClassic(World &input, World &output, const RenderOptions &options);
    void prepareRender(PF_InData &in_data, PF_ProgressInfo &frame, World &input, World &output,
                       const RenderOptions &options, const PF_LRect &area);

    Host &host_;
    const Module &module_;
    ParamStore params_;
    PF_Handle sequenceData_ = nullptr;
};

}  // namespace fxhost
