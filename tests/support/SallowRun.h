// Runs the sallow program as a user would, for end-to-end tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CliRun {
    int status;          // the exit status; -1 when sallow did not exit normally
    std::string output;  // stdout and stderr together
};

// `arguments` as a shell would split them.
inline CliRun Sallow(const std::string &arguments)
{
    const std::string command = std::string(SALLOW_CLI_PATH) + " " + arguments + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    CliRun run{-1, ""};
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

inline size_t LineCount(const std::string &text)
{
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}
