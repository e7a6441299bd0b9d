// sallow: applies the K_Sallowmerine effect to image files through the
// emulated host, and shows what the effect declares.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

void PrintUsage(FILE *out)
{
    std::fputs("usage: sallow info [--module PATH]\n", out);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string modulePath = DefaultModulePath();
    const std::string command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == "--module" && i + 1 < rest.size()) {
            modulePath = rest[i + 1];
            rest.erase(rest.begin() + static_cast<long>(i), rest.begin() + static_cast<long>(i) + 2);
            break;
        }
    }
    try {
        if (command == "info" && rest.empty()) return RunInfo(modulePath);
        std::fprintf(stderr, "sallow: unknown command or arguments: %s\n", command.c_str());
        PrintUsage(stderr);
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "sallow: %s\n", e.what());
        return 1;
    }
}
