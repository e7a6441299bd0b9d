// The effect's controls registered with an emulated host, for unit tests of
// the parameter code.
#pragma once

#include "HostFixture.h"
#include "fxhost/ParamStore.h"
#include "params/ParamRegistry.h"

class RegistryTest : public HostTest {
protected:
    void SetUp() override
    {
        ParamRegistry::Instance().ParamsSetup();
        RefreshInData();
    }

    // in_data as the host fills it now, after a change of the host's knobs.
    void RefreshInData()
    {
        host.prepareInData(context.in_data, &context.frame);
        context.frame.frame.params = &store;
    }
    void TearDown() override
    {
        ParamRegistry::Instance().Release();
        HostTest::TearDown();
    }

    // Registers every control as PF_Cmd_PARAMS_SETUP does.
    PF_Err Register(const char *iniPath = nullptr)
    {
        store.clear();
        for (BaseParam *param : ParamRegistry::Instance()) {
            PF_Err err = param->AddToHost(inData(), param->diskId(), iniPath);
            if (err != PF_Err_NONE) return err;
        }
        return PF_Err_NONE;
    }

    const PF_ParamDef &Def(const char *name) { return store.at(store.indexOf(name)); }

    fxhost::ParamStore store;
};
