#include "params/ParamSnapshot.h"

#include <cstring>

void ParamSnapshot::Initialise(ParamSnapshot *snapshot)
{
    std::memset(snapshot, 0, sizeof *snapshot);
    snapshot->view = kViewNormal;
    snapshot->blocks[0].keys[0].enable = 1;
    snapshot->blocks[0].keys[1].enable = 1;
    snapshot->blocks[0].enableProcess = 1;
    snapshot->blocks[1].keys[0].enable = 1;
    snapshot->blocks[1].keys[1].enable = 1;
    snapshot->unusedScale = 1.5;
}
