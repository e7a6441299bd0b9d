// The sallow subcommands. Each returns the process exit status; failures of
// files and of the module are thrown as std::runtime_error, mistakes in the
// request as UsageError, a signal as Cancelled.
#pragma once

#include <string>
#include <vector>

#include "AE_Effect.h"
#include "Defaults.h"

struct RenderRequest {
    std::string input;                  // a file, or a numbered sequence (shot.%04d.png, shot.#.png)
    std::string output;
    ControlRequest controls;
    std::string frames;                 // --frames; empty: the sequence's frames on disk
    int depth = 0;                      // 8, 16 or 32; 0: the file's own depth
    int threads = 0;                    // per frame; 0: the cores shared among the frames at once
    int jobs = 0;                       // frames at once; 0: enough to keep every core busy
    bool classic = false;
    int downsample = 1;
    std::string progress;               // "", "auto", "lines" or "json"
    bool timings = false;               // print where each frame's time went
    bool quiet = false;
    bool noClobber = false;
    bool skipExisting = false;
    std::string compression;            // empty: the input's, where the output format has it
    int quality = 0;                    // 0: the input's or the format's default
    std::string saveParams;             // where to write the controls in effect
    bool dryRun = false;                // list the frames, render nothing
};

int RunInfo(const std::string &modulePath, bool asJson);
int RunParams(const std::string &modulePath, bool useUserDefaults, bool asJson);
int RunRender(const std::string &modulePath, const RenderRequest &request);
int RunSample(const std::string &outputPath);

// The effect module next to this program, unless SALLOW_MODULE names another.
std::string DefaultModulePath();
