#include "CliProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace calc::test {

namespace {

using TClock = std::chrono::steady_clock;

struct TPipe {
    int Read = -1;
    int Write = -1;
    TPipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        Read = fds[0];
        Write = fds[1];
    }
};

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

/// argv and envp for posix_spawn; the strings live as long as this object.
struct TSpawnArgs {
    std::vector<std::string> Strings;
    std::vector<char*> Argv;
    std::vector<char*> Envp;

    TSpawnArgs(const std::string& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env)
    {
        Strings.push_back(program);
        Strings.insert(Strings.end(), args.begin(), args.end());
        const std::size_t argc = Strings.size();
        for (const auto& [key, value] : env)
            Strings.push_back(key + "=" + value);
        for (std::size_t i = 0; i < Strings.size(); ++i)
            (i < argc ? Argv : Envp).push_back(Strings[i].data());
        Argv.push_back(nullptr);
        Envp.push_back(nullptr);
    }
};

int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::map<std::string, std::string>& env, int in, int out, int err)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    // The tests write to children that may end before reading everything: a broken pipe must
    // be a failed write here, not the end of the test program. The child starts with the usual
    // SIGPIPE all the same, as a shell would start it.
    static const bool ignored = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignored;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    TSpawnArgs spawnArgs(program, args, env);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes,
                                 spawnArgs.Argv.data(), spawnArgs.Envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

int WaitStatus(int pid, bool kill)
{
    if (kill)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return !kill && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& input, const std::map<std::string, std::string>& env,
                          int timeoutSeconds)
{
    TPipe in;
    TPipe out;
    TPipe err;
    const int pid = Spawn(program, args, env, in.Read, out.Write, err.Write);
    CloseFd(in.Read);
    CloseFd(out.Write);
    CloseFd(err.Write);
    ::fcntl(in.Write, F_SETFL, O_NONBLOCK);
    TProcessResult result;
    std::size_t written = 0;
    if (input.empty())
        CloseFd(in.Write);
    const auto deadline = TClock::now() + std::chrono::seconds(timeoutSeconds);
    bool timedOut = false;
    while (out.Read >= 0 || err.Read >= 0) {
        if (TClock::now() > deadline) {
            timedOut = true;
            break;
        }
        pollfd fds[3] = {{out.Read, POLLIN, 0}, {err.Read, POLLIN, 0}, {in.Write, POLLOUT, 0}};
        if (::poll(fds, 3, 100) < 0 && errno != EINTR)
            break;
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? out.Read : err.Read;
            if (fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
            else
                CloseFd(fd);
        }
        if (in.Write >= 0 && (fds[2].revents & (POLLOUT | POLLERR)) != 0) {
            const ssize_t n = ::write(in.Write, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 && errno != EAGAIN)
                CloseFd(in.Write);
            else if (written == input.size())
                CloseFd(in.Write);
        }
    }
    CloseFd(in.Write);
    CloseFd(out.Read);
    CloseFd(err.Read);
    result.Status = WaitStatus(pid, timedOut);
    return result;
}

TChildProcess::TChildProcess(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env)
{
    TPipe in;
    TPipe out;
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    FPid = Spawn(program, args, env, in.Read, out.Write, devNull);
    ::close(devNull);
    ::close(in.Read);
    ::close(out.Write);
    FIn = in.Write;
    FOut = out.Read;
}

TChildProcess::~TChildProcess()
{
    if (FPid > 0) {
        CloseFd(FIn);
        CloseFd(FOut);
        WaitStatus(FPid, true);
    }
}

void TChildProcess::Write(const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(FIn, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

std::string TChildProcess::ReadLine(int timeoutMs)
{
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const std::size_t end = FPending.find('\n'); end != std::string::npos) {
            std::string line = FPending.substr(0, end);
            FPending.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            return {};
        pollfd fd{FOut, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(FOut, buffer, sizeof buffer);
        if (n <= 0)
            return {};
        FPending.append(buffer, static_cast<std::size_t>(n));
    }
}

int TChildProcess::Finish()
{
    CloseFd(FIn);
    char buffer[4096];
    while (::read(FOut, buffer, sizeof buffer) > 0) {
    }
    CloseFd(FOut);
    const int status = WaitStatus(FPid, false);
    FPid = -1;
    return status;
}

TProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& keystrokes,
                             const std::map<std::string, std::string>& env)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int pid = Spawn(program, args, env, slave, slave, slave);
    ::close(slave);
    TProcessResult result;
    const auto drain = [&](int ms) {
        const auto until = TClock::now() + std::chrono::milliseconds(ms);
        while (TClock::now() < until) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                return;
            result.Out.append(buffer, static_cast<std::size_t>(n));
        }
    };
    drain(300);
    for (const std::string& keys : keystrokes) {
        // The program has no controlling terminal here, so Ctrl-C is delivered as the terminal
        // would deliver it.
        if (keys == kCtrlC)
            ::kill(pid, SIGINT);
        else if (::write(master, keys.data(), keys.size()) < 0)
            break;
        drain(300);
    }
    // Give the program time to leave, then collect it; one that hangs is killed.
    int status = 0;
    const auto until = TClock::now() + std::chrono::seconds(10);
    int waited = 0;
    while ((waited = ::waitpid(pid, &status, WNOHANG)) == 0 && TClock::now() < until)
        drain(50);
    if (waited == 0)
        result.Status = WaitStatus(pid, true);
    else
        result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    drain(50);
    ::close(master);
    return result;
}

} // namespace calc::test
