#include "cli/password.h"

#include "cli/commanderror.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace kestrune {

namespace {

CommandError systemError(const std::string &what, int error)
{
    return CommandError(what + ": " + std::strerror(error));
}

constexpr std::array<int, 3> endingSignals { SIGINT, SIGTERM, SIGHUP };

// What the signal handler reads; all of it is set before the handler is installed.
termios terminalBeforePrompt;
std::array<struct sigaction, endingSignals.size()> previousActions;
volatile std::sig_atomic_t interrupted = 0;

void restoreTerminalAndEnd(int signal)
{
    const int savedErrno = errno;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBeforePrompt);
    interrupted = 1;
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        if (endingSignals[i] == signal)
            ::sigaction(signal, &previousActions[i], nullptr);
    }
    // Not blocked (SA_NODEFER), so it is handled at once as before: by default the program ends
    // and its status says which signal ended it.
    ::raise(signal);
    errno = savedErrno;
}

// Echo is off while this lives; an ending signal puts the terminal back before the program ends.
class EchoOff {
public:
    EchoOff()
    {
        if (::tcgetattr(STDIN_FILENO, &terminalBeforePrompt) != 0)
            throw systemError("the terminal's settings could not be read", errno);
        interrupted = 0;
        installHandlers();
        termios silent = terminalBeforePrompt;
        silent.c_lflag &= ~tcflag_t(ECHO);
        // tcsetattr succeeds when any of the changes was made, so the result is read back.
        termios now;
        if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) != 0
            || ::tcgetattr(STDIN_FILENO, &now) != 0) {
            const int error = errno;
            putBack();
            throw systemError("the terminal's echo could not be turned off", error);
        }
        if ((now.c_lflag & ECHO) != 0) {
            putBack();
            throw CommandError("the terminal kept its echo on");
        }
    }

    ~EchoOff()
    {
        if (m_off)
            putBack();
    }

    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

    void restore()
    {
        if (!putBack())
            throw systemError("the terminal's settings could not be restored", errno);
    }

private:
    void installHandlers()
    {
        struct sigaction action = {};
        action.sa_handler = restoreTerminalAndEnd;
        // No SA_RESTART: should an earlier handler let the program go on, read() returns.
        action.sa_flags = SA_NODEFER;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < endingSignals.size(); ++i) {
            m_installed[i] = false;
            if (::sigaction(endingSignals[i], nullptr, &previousActions[i]) != 0)
                continue;
            // An ignored signal stays ignored: it would not have ended the program.
            if (previousActions[i].sa_handler == SIG_IGN)
                continue;
            m_installed[i] = ::sigaction(endingSignals[i], &action, nullptr) == 0;
        }
    }

    // The terminal first: a signal in between still finds the handler that restores it.
    bool putBack()
    {
        m_off = false;
        const bool restored = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBeforePrompt) == 0;
        const int error = errno;
        for (std::size_t i = 0; i < endingSignals.size(); ++i) {
            if (m_installed[i])
                ::sigaction(endingSignals[i], &previousActions[i], nullptr);
            m_installed[i] = false;
        }
        errno = error;
        return restored;
    }

    bool m_off = true;
    std::array<bool, endingSignals.size()> m_installed {};
};

} // namespace

std::string readPasswordFile(const std::string &path)
{
    auto fail = [&] { return systemError(path, errno); };
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(
        std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        throw fail();
    std::string password;
    for (int c; (c = std::fgetc(file.get())) != EOF && c != '\n';)
        password += static_cast<char>(c);
    if (std::ferror(file.get()))
        throw fail();
    if (password.ends_with('\r'))
        password.pop_back();
    return password;
}

std::optional<std::string> askPasswordOnTerminal(std::ostream &prompt, const std::string &question)
{
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    EchoOff echoOff;
    prompt << question << std::flush;
    std::string password;
    for (;;) {
        char c;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR && interrupted == 0)
            continue; // a signal another handler took care of
        const int error = errno;
        if (got == 1 && c != '\n') {
            password += c;
            continue;
        }
        // The line end typed was not echoed.
        prompt << '\n' << std::flush;
        if (got == 1)
            break;
        // Half a password is no password: nothing goes to the server.
        if (got == 0)
            throw CommandError("no password was typed");
        if (error == EINTR)
            throw CommandError("the password prompt was interrupted");
        throw systemError("the password could not be read", error);
    }
    echoOff.restore();
    return password;
}

} // namespace kestrune
