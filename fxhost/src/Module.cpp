#include "fxhost/Module.h"

#include <dlfcn.h>
#include <windows.h>

#include <stdexcept>

#include "ModuleResources.h"

namespace fxhost {

Module::Module(const std::string &path) : path_(path)
{
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) throw std::runtime_error("cannot load effect module " + path + ": " + dlerror());
    entry_ = reinterpret_cast<PF_EntryPointFunc>(dlsym(library_, "EntryPointFunc"));
    if (entry_ == nullptr) {
        dlclose(library_);
        throw std::runtime_error("effect module " + path + " has no EntryPointFunc");
    }
    instance_ = GetModuleHandleA(path.c_str());
    DefineModuleResources(instance_);
}

Module::~Module()
{
    ForgetModuleResources(instance_);
    dlclose(library_);
}

PF_Err Module::call(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output,
                    void *extra) const
{
    return entry_(cmd, in_data, out_data, params, output, extra);
}

}  // namespace fxhost
