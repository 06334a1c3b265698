#include "platform/Session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorrel {

namespace {

class PosixFolderLock : public FolderLock {
  public:
    explicit PosixFolderLock(int fd) : fd_(fd) {}
    ~PosixFolderLock() override {
        if (fd_ >= 0) ::close(fd_); // closing lets the lock go
    }

  private:
    int fd_;
};

} // namespace

std::unique_ptr<FolderLock> LockFolder(const std::string& path) {
    // The folder itself is locked: no lock file appears among the collectors, where a Windows
    // copy of the store or a user would trip over it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::make_unique<PosixFolderLock>(-1);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFolderLock>(fd);
}

} // namespace quorrel
