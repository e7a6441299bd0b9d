#include "fxhost/Module.h"

#include <stdexcept>

#include "Platform.h"

namespace fxhost {

Module::Module(const std::string &path) : path_(path)
{
    std::string error;
    library_ = platform::OpenLibrary(path, error);
    if (library_ == nullptr) throw std::runtime_error("cannot load effect module " + path + ": " + error);
    entry_ = reinterpret_cast<PF_FilterProc>(platform::FindFunction(library_, "EntryPointFunc"));
    if (entry_ == nullptr) {
        platform::CloseLibrary(library_);
        throw std::runtime_error("effect module " + path + " has no EntryPointFunc");
    }
    instance_ = platform::ModuleInstance(library_, path);
    platform::AttachModuleResources(instance_);
}

Module::~Module()
{
    platform::DetachModuleResources(instance_);
    platform::CloseLibrary(library_);
}

PF_Err Module::call(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output,
                    void *extra) const
{
    return entry_(cmd, in_data, out_data, params, output, extra);
}

}  // namespace fxhost
