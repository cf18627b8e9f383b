// A preload library for durability tests: it logs to $KEYSTAMP_TRACE_LOG the
// calls on paths under $KEYSTAMP_TRACE_DIR that decide what a power cut leaves
// (write, fsync, fdatasync, rename, unlink), then makes the real call, failing
// that folder's own sync with KEYSTAMP_TRACE_FAIL_FOLDER_SYNC, slowing each
// data sync by KEYSTAMP_TRACE_SLOW_SYNC_MS.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

// The next definition of the function this one stands in for.
#define NEXT(f) static const auto next = reinterpret_cast<decltype(&::f)>(dlsym(RTLD_NEXT, #f))

namespace {

std::mutex logLock;

std::string fdPath(int fd) {
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

bool traced(const std::string& path) {
    const char* dir = getenv("KEYSTAMP_TRACE_DIR");
    return dir && *dir && path.rfind(dir, 0) == 0;
}

void note(const char* call, const std::string& a, const std::string& b = std::string()) {
    const char* logName = getenv("KEYSTAMP_TRACE_LOG");
    if ((!traced(a) && !traced(b)) || !logName)
        return;
    const int saved = errno;
    std::lock_guard<std::mutex> hold(logLock);
    if (FILE* log = std::fopen(logName, "a")) {
        std::fprintf(log, "%s %s%s%s\n", call, a.c_str(), b.empty() ? "" : " ", b.c_str());
        std::fclose(log);
    }
    errno = saved;
}

// Notes a sync that succeeded.
int synced(int fd, int result) {
    if (result == 0)
        note("fsync", fdPath(fd));
    return result;
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t count) {
    NEXT(write);
    if (fd > 2)
        note("write", fdPath(fd));
    return next(fd, buf, count);
}

int fsync(int fd) {
    NEXT(fsync);
    const char* dir = getenv("KEYSTAMP_TRACE_DIR");
    if (getenv("KEYSTAMP_TRACE_FAIL_FOLDER_SYNC") && dir && fdPath(fd) == dir) {
        errno = EIO;
        return -1;
    }
    return synced(fd, next(fd));
}

int fdatasync(int fd) {
    NEXT(fdatasync);
    const char* slow = getenv("KEYSTAMP_TRACE_SLOW_SYNC_MS");
    if (slow && traced(fdPath(fd)))
        usleep(useconds_t(atoi(slow)) * 1000);
    return synced(fd, next(fd));
}

int rename(const char* from, const char* to) {
    NEXT(rename);
    note("rename", from, to);
    return next(from, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    NEXT(renameat2);
    note("rename", from, to); // the program names both from AT_FDCWD
    return next(fromDir, from, toDir, to, flags);
}

int unlink(const char* path) {
    NEXT(unlink);
    note("unlink", path);
    return next(path);
}
}
