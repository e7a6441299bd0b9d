#include "kernels/BlurSchedule.h"

#include <cmath>

namespace {

A_long TapsFor(double radius) { return static_cast<A_long>(std::ceil(radius)); }

}  // namespace

BlurSchedule::BlurSchedule(double radius, A_long repeat, const PF_EffectWorld *source, PF_EffectWorld *destination,
                           PF_EffectWorld *scratch)
    : repeat_(repeat < 1 ? 1 : repeat),
      radius_(radius),
      shrink_(repeat_ > 1 ? std::pow(radius, 1.0 / repeat_) : radius),
      source_(source),
      destination_(destination),
      scratch_(scratch)
{
}

bool BlurSchedule::Next(BlurPass *pass)
{
    if (index_ > repeat_) return false;
    pass->index = index_;
    if (index_ == 0) {
        first_ = MakeGaussTable(TapsFor(radius_), radius_ * radius_ / 8);
        pass->table = first_;
        pass->rows = true;
    } else if (index_ == 1) {
        pass->table = first_;
        pass->rows = false;
    } else {
        radius_ /= shrink_;
        if (radius_ <= 1.0) radius_ = 1.0;
        pass->table = MakeGaussTable(TapsFor(radius_), radius_ * radius_);
        pass->rows = (index_ - 1) % 2 == 1;
    }
    // Counted back from the last pass, which writes destination, the passes
    // alternate between destination and scratch.
    const bool intoScratch = (repeat_ - index_) % 2 == 1;
    pass->source = index_ == 0 ? source_ : (intoScratch ? destination_ : scratch_);
    pass->destination = intoScratch ? scratch_ : destination_;
    ++index_;
    return true;
}
