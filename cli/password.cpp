#include "cli/password.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kestrune {

std::string readPasswordFile(const std::string &path)
{
    auto fail = [&] { return std::runtime_error(path + ": " + std::strerror(errno)); };
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

std::optional<std::string> askPasswordOnTerminal(std::ostream &prompt)
{
    termios saved;
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved) != 0)
        return std::nullopt;
    termios silent = saved;
    silent.c_lflag &= ~tcflag_t(ECHO);
    prompt << "Password: " << std::flush;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    std::string password;
    for (char c; ::read(STDIN_FILENO, &c, 1) == 1 && c != '\n';)
        password += c;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    // The line end typed was not echoed.
    prompt << '\n' << std::flush;
    return password;
}

} // namespace kestrune
