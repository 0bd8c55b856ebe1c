#include "NormalUser.h"

#include <cstdlib>
#include <stdexcept>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumivex::test {

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
} // namespace

int runAsNormalUser(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // The child leaves with _Exit: the parent's objects (temporary folders) are not its own.
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0))
            std::_Exit(254);
        umask(022);
        int answer = 255;
        try {
            answer = body();
        } catch (...) {
        }
        std::_Exit(answer);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 254)
        return -1;
    return WEXITSTATUS(status);
}

void giveToNormalUser(const std::filesystem::path& path)
{
    if (geteuid() == 0 && lchown(path.c_str(), kNobody, kNoGroup) != 0)
        throw std::runtime_error("cannot hand " + path.string() + " to nobody");
}

} // namespace lumivex::test
