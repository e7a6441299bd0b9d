// An emulated host and an in_data for tests that call the effect's code
// directly.
#pragma once

#include <gtest/gtest.h>

#include "fxhost/Host.h"

struct InDataFor {
    explicit InDataFor(fxhost::Host &host) { host.prepareInData(in_data, &frame); }
    PF_ProgressInfo frame;
    PF_InData in_data;
};

class HostTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(host.accounting().balanced()) << host.accounting().describe(); }

    PF_InData *inData() { return &context.in_data; }
    const SPBasicSuite *basic() { return context.in_data.pica_basicP; }

    fxhost::Host host;
    InDataFor context{host};
};
