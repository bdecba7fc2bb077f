#pragma once
// An X server for window tests: the one in DISPLAY, or an Xvfb started here
// (and stopped by Stop) when there is none.
#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace torvik::testing {

class XServer {
public:
    static bool Ensure() {
        const char* display = std::getenv("DISPLAY");
        // A server that is resetting refuses connections for a moment.
        for (int tries = 0; display && *display && tries < 20; ++tries) {
            if (CanConnect(display))
                return true;
            usleep(50000);
        }
        for (int n = 0; n < 20; ++n) {
            const std::string name = ":" + std::to_string(170 + (getpid() + n) % 60);
            const pid_t pid = fork();
            if (pid == 0) {
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1600x1000x24", "-nolisten",
                       "tcp", "-noreset", static_cast<char*>(nullptr));
                _exit(127);
            }
            if (pid < 0)
                return false;
            for (int tries = 0; tries < 100; ++tries) {
                if (waitpid(pid, nullptr, WNOHANG) == pid)
                    break; // that display was taken; try the next one
                if (CanConnect(name.c_str())) {
                    setenv("DISPLAY", name.c_str(), 1);
                    started = pid;
                    return true;
                }
                usleep(50000);
            }
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return false;
    }
    static void Stop() {
        if (started > 0) {
            kill(started, SIGTERM);
            waitpid(started, nullptr, 0);
            started = 0;
        }
    }

private:
    static bool CanConnect(const char* name) {
        Display* d = XOpenDisplay(name);
        if (!d)
            return false;
        XCloseDisplay(d);
        return true;
    }
    static inline pid_t started = 0;
};

// An X error handler for tests that provoke errors on purpose.
inline int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// A suite of window tests: the server is ensured once, and one connection is
// held while the suite runs, because a server resets when its last client
// leaves and refuses connections for a moment.
class XServerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        serverUp = XServer::Ensure();
        if (serverUp)
            keeper = XOpenDisplay(nullptr);
    }
    static void TearDownTestSuite() {
        if (keeper)
            XCloseDisplay(keeper);
        keeper = nullptr;
        XServer::Stop();
    }

    static inline bool serverUp = false;
    static inline Display* keeper = nullptr;
};

} // namespace torvik::testing
