// A loaded effect module, reached through its one export, EntryPointFunc.
#pragma once

#include <windows.h>

#include <string>

#include "AE_Effect.h"

namespace fxhost {

class Module {
public:
    // Throws std::runtime_error when the module cannot be loaded or has no
    // EntryPointFunc.
    explicit Module(const std::string &path);
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    PF_Err call(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output,
                void *extra) const;
    const std::string &path() const { return path_; }

private:
    std::string path_;
    void *library_ = nullptr;
    HINSTANCE instance_ = nullptr;
    PF_FilterProc entry_ = nullptr;
};

}  // namespace fxhost
