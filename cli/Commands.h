// The sallow subcommands. Each returns the process exit status; failures of
// files and of the module are thrown as std::runtime_error, mistakes in the
// request as UsageError, a signal as Cancelled.
#pragma once

#include <string>
#include <vector>

#include "AE_Effect.h"

struct RenderRequest {
    std::string input;
    std::string output;
    std::vector<std::string> settings;  // "NAME=VALUE", in order
    std::string paramsFile;
    int depth = 0;                      // 8, 16 or 32; 0: the file's own depth
    int threads = 0;                    // 0: one per core
    bool classic = false;
    int downsample = 1;
    bool showProgress = false;
    bool timings = false;               // print where each frame's time went
    bool useUserDefaults = true;        // false: the built-in defaults, whatever is stored
    bool quiet = false;
    bool noClobber = false;
    std::string compression;            // empty: the input's, where the output format has it
    int quality = 0;                    // 0: the input's or the format's default
};

int RunInfo(const std::string &modulePath);
int RunParams(const std::string &modulePath, bool useUserDefaults);
int RunRender(const std::string &modulePath, const RenderRequest &request);
int RunSample(const std::string &outputPath);

// The effect module next to this program, unless SALLOW_MODULE names another.
std::string DefaultModulePath();
