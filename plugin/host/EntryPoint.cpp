// The module's one export: every host command enters here, is dispatched to
// the filter object, and leaves as a host error code. Failures below are
// exceptions; this is the only place that catches them.
#include "EntryPoint.h"

#include <clocale>
#include <new>
#include <type_traits>

#include "BaseFilter.h"
#include "ExceptionBarrier.h"
#include "SuiteCache.h"
#include "params/ParamRegistry.h"

namespace {

// The one filter object, in static storage. After global setdown the
// CustomFilter is destroyed and a plain BaseFilter serves any later command.
class FilterStorage {
public:
    BaseFilter *get() const { return filter_; }

    void makeCustom()
    {
        destroy();
        filter_ = new (storage_) CustomFilter;
    }

    void revertToBase()
    {
        destroy();
        filter_ = new (storage_) BaseFilter;
    }

private:
    void destroy()
    {
        if (filter_) filter_->~BaseFilter();
        filter_ = nullptr;
    }

    alignas(CustomFilter) unsigned char storage_[sizeof(CustomFilter)];
    BaseFilter *filter_ = nullptr;
};

FilterStorage g_filter;
bool g_initialised = false;

PF_Err InitialiseOnce(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output)
{
    std::setlocale(LC_ALL, "");
    g_filter.makeCustom();
    ParamRegistry::Instance().ParamsSetup();
    PF_Err err = g_filter.get()->FirstCommand(in_data, out_data, params, output);
    g_initialised = true;
    return err;
}

}  // namespace

static_assert(std::is_same<decltype(&EntryPointFunc), PF_FilterProc>::value, "the entry point has the host's shape");

PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                      PF_LayerDef *output, void *extra)
{
    return RunBehindBarrier(out_data, [&]() {
        AEUtil::SuiteCache suites(in_data ? in_data->pica_basicP : nullptr);
        PF_Err result = g_initialised ? PF_Err_NONE : InitialiseOnce(in_data, out_data, params, output);
        if (result == PF_Err_NONE) result = g_filter.get()->Command(cmd, in_data, out_data, params, output, extra);
        if (cmd == PF_Cmd_GLOBAL_SETDOWN) g_filter.revertToBase();
        return result;
    });
}
