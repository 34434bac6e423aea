#pragma once
// The end-to-end tests of tavelin and tavelin-family run the programs as
// subprocesses, their standard output and error captured in files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Starts exe with args (argv[0] is argv0, or exe when empty), its standard
// output and error going to `scratch`/stdout.txt and stderr.txt. Returns the
// process id, -1 when it could not start.
inline pid_t StartProgram(const std::string& exe, std::vector<std::string> args, const std::string& scratch,
                          const std::string& argv0 = "") {
    args.insert(args.begin(), argv0.empty() ? exe : argv0);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (scratch + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, (scratch + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, exe.c_str(), &files, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&files);
    return started ? pid : -1;
}

struct RunResult { int status = -2; std::string out, err; };  // status -2: no normal exit

// Runs the program to its end.
inline RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& scratch,
                            const std::string& argv0 = "") {
    const pid_t pid = StartProgram(exe, args, scratch, argv0);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return {};
    return {WEXITSTATUS(status), ReadFile(scratch + "/stdout.txt"), ReadFile(scratch + "/stderr.txt")};
}
