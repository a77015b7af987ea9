#include "linux/desktop/ProgramRestart.h"

#include <climits>
#include <cstring>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox::ProgramRestart {

namespace {
constexpr const char* runningProgram = "/proc/self/exe";
} // namespace

void exec(char** argv) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink(runningProgram, path, sizeof(path) - 1);
    if (length > 0) {
        path[length] = '\0';
        // Not when the file was replaced (an update) or removed meanwhile.
        struct stat running {};
        struct stat named {};
        if (::stat(runningProgram, &running) == 0 && ::stat(path, &named) == 0 &&
            running.st_dev == named.st_dev && running.st_ino == named.st_ino)
            ::execv(path, argv);
    }
    ::execv(runningProgram, argv);
}

void restoreName(const char* argv0) {
    char name[16] = {};
    if (!argv0 || ::prctl(PR_GET_NAME, name) != 0 || std::strcmp(name, "exe") != 0)
        return;
    const char* slash = std::strrchr(argv0, '/');
    const char* base = slash ? slash + 1 : argv0;
    if (*base != '\0')
        ::prctl(PR_SET_NAME, base); // the kernel keeps the first 15 bytes
}

} // namespace quillbox::ProgramRestart
