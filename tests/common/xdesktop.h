// An X server and a window manager of a test's own (Xvfb and openbox, which the install script
// provides), ended with the object.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// The processes a test started and has not yet ended itself, so that a test ended early by a
// signal ends them too (EndNotedProcesses is safe inside a signal handler).
inline pid_t NotedProcesses[1024];
inline std::atomic<int> NotedProcessCount{0};

inline void NoteProcess(pid_t APid)
{
    const int i = NotedProcessCount.fetch_add(1);
    if (i < 1024)
        NotedProcesses[i] = APid;
}

inline void ForgetProcess(pid_t APid)
{
    const int n = std::min(NotedProcessCount.load(), 1024);
    for (int i = 0; i < n; ++i)
        if (NotedProcesses[i] == APid)
            NotedProcesses[i] = 0;
}

inline void EndNotedProcesses()
{
    const int n = std::min(NotedProcessCount.load(), 1024);
    for (int i = 0; i < n; ++i)
        if (NotedProcesses[i] > 0)
            ::kill(NotedProcesses[i], SIGKILL);
}

class TXDesktop
{
public:
    TXDesktop() = default;
    TXDesktop(const TXDesktop&) = delete;
    TXDesktop& operator=(const TXDesktop&) = delete;
    ~TXDesktop()
    {
        for (pid_t pid : {FManager, FServer}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
                ForgetProcess(pid);
            }
        }
    }

    // Starts both and waits until the manager runs; the message says what is missing.
    QString Start(int AWidth, int AHeight)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return "no pipe";
        const std::string screen = std::to_string(AWidth) + "x" + std::to_string(AHeight) + "x24";
        FServer = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                         "-nolisten", "tcp"});
        ::close(fds[1]);
        if (FServer <= 0) {
            ::close(fds[0]);
            return "Xvfb is not installed (tools/install-deps.sh installs it)";
        }
        std::string display;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            display += c;
        ::close(fds[0]);
        if (display.empty())
            return "Xvfb did not start";
        FDisplay = QStringLiteral(":") + QString::fromStdString(display);
        // The manager announces itself on the root window once it runs; one that ended before
        // (a loaded machine) is started again.
        QElapsedTimer timer;
        timer.start();
        int status = 0;
        for (int starts = 0; timer.elapsed() < 60000;) {
            if (FManager <= 0 || ::waitpid(FManager, &status, WNOHANG) == FManager) {
                ForgetProcess(FManager);
                if (++starts > 3)
                    return "openbox ended at each start";
                FManager = Spawn({"openbox", "--sm-disable"}, FDisplay.toStdString());
                if (FManager <= 0)
                    return "openbox is not installed (tools/install-deps.sh installs it)";
            }
            if (RootProperty("_NET_SUPPORTING_WM_CHECK").contains("window id"))
                return QString();
            QTest::qWait(100);
        }
        return "openbox did not start";
    }

    QString Display() const { return FDisplay; }

    // One property of the root window as the X server holds it, read by xprop.
    QString RootProperty(const char* AName) const
    {
        QProcess xprop;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", FDisplay);
        xprop.setProcessEnvironment(env);
        xprop.start("xprop", {"-root", AName});
        if (!xprop.waitForFinished(5000))
            return QString();
        return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    }

private:
    // The program on the display (or the inherited one); its messages (the displays Xvfb tries
    // before a free one) would only hide the test's own.
    static pid_t Spawn(const std::vector<std::string>& AArgs,
                       const std::string& ADisplay = std::string())
    {
        std::vector<char*> argv;
        for (const std::string& a : AArgs)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (ADisplay.empty() || std::string(*e).rfind("DISPLAY=", 0) != 0)
                env.emplace_back(*e);
        if (!ADisplay.empty())
            env.push_back("DISPLAY=" + ADisplay);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int error =
            ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            return -1;
        NoteProcess(pid);
        return pid;
    }

    pid_t FServer = -1, FManager = -1;
    QString FDisplay;
};
