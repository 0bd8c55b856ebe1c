// The real lumivex-sim program on a pseudo-terminal, reached with plain POSIX calls.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

// Reads from fd until the text holds `until` (an empty one: until the data ends) or the time is
// up; never spins (poll blocks). `ended` is set when the data ended.
std::string readUntil(int fd, const std::string& until, std::chrono::milliseconds limit, bool* ended = nullptr)
{
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (until.empty() || text.find(until) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p {fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[256];
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (ended)
                *ended = true;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

struct Program {
    pid_t pid = -1;
    int out = -1;

    bool start(const std::vector<std::string>& args)
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<char*> argv;
        std::string path = LUMIVEX_SIM_PATH;
        argv.push_back(path.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        out = pipeFds[0];
        return rc == 0;
    }

    // Waits for the program's end at most this long; its exit status, or -1. The end shows as the
    // end of its standard output, so the wait blocks in poll() instead of asking again and again.
    int wait(std::chrono::milliseconds limit)
    {
        bool ended = false;
        readUntil(out, "", limit, &ended);
        int status = 0;
        if (!ended || ::waitpid(pid, &status, 0) != pid)
            return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    ~Program()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            ::close(out);
    }
};

} // namespace

TEST(SimProgram, servesAPseudoTerminalAndEndsOnSigterm)
{
    Program sim;
    ASSERT_TRUE(sim.start({"--pty", "--firmware", "2002", "--input-io", "2@400"}));
    const std::string first = readUntil(sim.out, "\n", std::chrono::seconds(10));
    ASSERT_FALSE(first.empty()) << "no path printed";
    const std::string path = first.substr(0, first.find('\n'));
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << first;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, "gethw\r", 6), 6);
    // The input message goes out 400 ms after the start, before or after the reply.
    std::string text = readUntil(fd, "InputIO2\r", std::chrono::seconds(5));
    if (text.find("LVXCS5-R2\r") == std::string::npos)
        text += readUntil(fd, "LVXCS5-R2\r", std::chrono::seconds(5));
    EXPECT_TRUE(text == "LVXCS5-R2\rInputIO2\r" || text == "InputIO2\rLVXCS5-R2\r")
        << text << ": raw mode, so no echo and no CR translation";
    ASSERT_EQ(::write(fd, "getrgbi9 1\r", 11), 11);
    EXPECT_EQ(readUntil(fd, "\r", std::chrono::seconds(5)), "ERROR\r");
    ::close(fd);

    ASSERT_EQ(::kill(sim.pid, SIGTERM), 0);
    EXPECT_EQ(sim.wait(std::chrono::seconds(5)), 0);
}

TEST(SimProgram, aBadOptionEndsWithStatusTwo)
{
    Program sim;
    ASSERT_TRUE(sim.start({"--pty", "--firmware", "none"}));
    EXPECT_EQ(readUntil(sim.out, "\n", std::chrono::seconds(10)), "") << "nothing on standard output";
    EXPECT_EQ(sim.wait(std::chrono::seconds(10)), 2);
}

#endif
