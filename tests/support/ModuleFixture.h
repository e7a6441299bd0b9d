// A freshly loaded effect module in an emulated host, for end-to-end tests.
// Each test loads the module anew, so the module's process-wide state starts
// clean.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fxhost/Effect.h"

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { LoadModule(); }
    void TearDown() override
    {
        effect.reset();
        module.reset();
        EXPECT_TRUE(host.accounting().balanced()) << host.accounting().describe();
    }

    void LoadModule()
    {
        effect.reset();
        module.reset();
        module = std::make_unique<fxhost::Module>(SALLOW_MODULE_PATH);
        host.setModulePath(SALLOW_MODULE_PATH);
        effect = std::make_unique<fxhost::Effect>(host, *module);
    }

    fxhost::Host host;
    std::unique_ptr<fxhost::Module> module;
    std::unique_ptr<fxhost::Effect> effect;
};
