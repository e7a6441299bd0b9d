// The sallow subcommands.
#pragma once

#include <string>
#include <vector>

// Each returns the process exit status.
int RunInfo(const std::string &modulePath);

// The effect module next to this program, unless SALLOW_MODULE names another.
std::string DefaultModulePath();
