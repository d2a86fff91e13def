#include "platform/portable/display/message_box.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/portable/display/wait.h"

extern char** environ;

namespace {

constexpr char MESSAGE_VARIABLE[] = "VENDREL_SCREENSAVER_MESSAGE";
constexpr char TEXT[] = "Hello";

// Never destroyed: the render thread may still wait at them as the process
// ends, detached as it is.
std::mutex& lock = *new std::mutex;
std::condition_variable& dismissed = *new std::condition_variable;
bool asked = false, over = false; // guarded by `lock`
pid_t shown = 0;                  // main thread: the message's process
int shownFd = -1;

void Dismissed()
{
    {
        const std::lock_guard<std::mutex> guard(lock);
        over = true;
    }
    dismissed.notify_all();
    if (shownFd >= 0)
        close(shownFd);
    shownFd = -1;
    shown = 0;
}

// Where no message can be shown, the text goes to stderr, as it always has.
void Start()
{
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
        environment.push_back(*variable);
    std::string marker = std::string(MESSAGE_VARIABLE) + "=1";
    environment.push_back(marker.data());
    environment.push_back(nullptr);
    char name[] = "vendrel-screensaver";
    char* arguments[] = {name, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, arguments, environment.data()) != 0) {
        std::fputs("Hello\n", stderr);
        Dismissed();
        return;
    }
    shown = pid;
    // Readable once the message's process has ended.
    shownFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

int RunAsMessage()
{
    if (std::getenv(MESSAGE_VARIABLE) == nullptr)
        return -1;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) // the saver went before this could ask
        return 1;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, TEXT, TEXT, nullptr) == 0 ? 0 : 1;
}

void ShowMessageAndWait()
{
    std::unique_lock<std::mutex> guard(lock);
    asked = true;
    guard.unlock();
    WakeEventLoop();
    guard.lock();
    dismissed.wait(guard, [] { return over; });
}

int ServeMessage()
{
    bool wanted = false;
    {
        const std::lock_guard<std::mutex> guard(lock);
        wanted = asked && !over;
    }
    if (wanted && shown == 0)
        Start();
    int status = 0;
    if (shown != 0 && waitpid(shown, &status, WNOHANG) == shown) {
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::fputs("Hello\n", stderr);
        Dismissed();
    }
    return shownFd;
}

void EndMessage()
{
    if (shown != 0) {
        kill(shown, SIGKILL);
        waitpid(shown, nullptr, 0);
    }
    Dismissed();
}
