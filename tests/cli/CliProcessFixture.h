#pragma once
// vocalith-cli as a user runs it: a real process in a scratch folder of its
// own, with standard input closed and its output and exit status read back.

#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CliProcessFixture : public ::testing::Test {
protected:
    pid_t Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> strings = {VOCALITH_CLI};
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& s : strings)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (folder / "stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (folder / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.Path().c_str());
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    Outcome Finish(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                        ReadAll(folder / "stdout"), ReadAll(folder / "stderr")};
        std::filesystem::remove(folder / "stdout");
        std::filesystem::remove(folder / "stderr");
        return outcome;
    }
    Outcome Run(const std::vector<std::string>& arguments) { return Finish(Start(arguments)); }

    ScratchFolder folder;
};
