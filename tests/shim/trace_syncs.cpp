// A preload library for durability tests: it logs to $KEYSTAMP_TRACE_LOG the
// calls on paths under $KEYSTAMP_TRACE_DIR that decide what a power cut leaves
// (write, fsync, fdatasync, rename, unlink), then makes the real call, failing
// that folder's own sync with KEYSTAMP_TRACE_FAIL_FOLDER_SYNC and the syncs of
// files whose path ends in KEYSTAMP_TRACE_FAIL_SYNC_OF, and slowing every
// sync there (fsync, fdatasync, sync_file_range) by KEYSTAMP_TRACE_SLOW_SYNC_MS.
#include <dlfcn.h>
#include <fcntl.h>
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

// Slows a sync of a traced file; true when it is to fail instead.
bool beforeSync(int fd) {
    const std::string path = fdPath(fd);
    if (!traced(path))
        return false;
    if (const char* slow = getenv("KEYSTAMP_TRACE_SLOW_SYNC_MS"))
        usleep(useconds_t(atoi(slow)) * 1000);
    const char* dir = getenv("KEYSTAMP_TRACE_DIR");
    const char* end = getenv("KEYSTAMP_TRACE_FAIL_SYNC_OF");
    const std::string tail = end ? end : "";
    if ((getenv("KEYSTAMP_TRACE_FAIL_FOLDER_SYNC") && path == dir) ||
        (!tail.empty() && path.size() >= tail.size() &&
         path.compare(path.size() - tail.size(), tail.size(), tail) == 0)) {
        errno = EIO;
        return true;
    }
    return false;
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
    return beforeSync(fd) ? -1 : synced(fd, next(fd));
}

int fdatasync(int fd) {
    NEXT(fdatasync);
    return beforeSync(fd) ? -1 : synced(fd, next(fd));
}

int sync_file_range(int fd, off64_t offset, off64_t count, unsigned flags) {
    NEXT(sync_file_range);
    return beforeSync(fd) ? -1 : synced(fd, next(fd, offset, count, flags));
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
