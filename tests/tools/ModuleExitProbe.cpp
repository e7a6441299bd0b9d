// Loads the effect module, applies the effect and calls exit() with the
// module still loaded, as a process does when a library it uses gives up:
// the static destructors run before the module's unload notification.
#include <cstdlib>

#include "fxhost/Effect.h"

int main(int argc, char **argv)
{
    if (argc != 2) return 2;
    fxhost::Host host;
    auto *module = new fxhost::Module(argv[1]);
    auto *effect = new fxhost::Effect(host, *module);
    effect->apply();
    std::exit(7);
}
