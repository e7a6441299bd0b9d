// A host fixture that builds the edge map of a painted 16-bit world.
#pragma once

#include <optional>

#include "HostFixture.h"
#include "SuiteCache.h"
#include "fxhost/World.h"
#include "kernels/EdgeMap.h"

class EdgeMapFixture : public HostTest {
protected:
    static constexpr A_long kThreshold = 1285;  // 10 in 8-bit units

    // Host resources go back before the fixture checks its accounting.
    void TearDown() override
    {
        map_.reset();
        mapWorld_.reset();
        suites_.reset();
        HostTest::TearDown();
    }

    const PF_WorldSuite1 *worldSuite() { return suites_->worldSuite(); }

    // The map stays valid until the next call.
    const EdgeMap &MapOf(const fxhost::World &world)
    {
        mapWorld_.emplace(worldSuite(), inData()->effect_ref);
        EXPECT_EQ(mapWorld_->allocate(world.width(), world.height()), PF_Err_NONE);
        map_.emplace(mapWorld_->map());
        FillEdgeMap16(*map_, *world.get(), kThreshold);
        return *map_;
    }

private:
    std::optional<AEUtil::SuiteCache> suites_{basic()};
    std::optional<EdgeMapWorld> mapWorld_;
    std::optional<EdgeMap> map_;
};
