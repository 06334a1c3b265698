#pragma once
// The program's place in the user's session: one running copy, which a second start and the
// commands `quorrel --show` and `quorrel --toggle` reach, and one process at a time writing a
// store.
#include <QObject>
#include <memory>
#include <string>

namespace quorrel {

enum class SessionRequest { Show, Toggle };

class Session : public QObject {
    Q_OBJECT
  public:
    // Makes this process the session's one copy and returns true; or hands `request` to the copy
    // that runs already and returns false, and this process should end. Where neither can be
    // done, the program runs: a second copy is better than none.
    virtual bool Claim(SessionRequest request) = 0;

  signals:
    // Another start asked the running copy for this.
    void Requested(quorrel::SessionRequest request);
};

// On the session bus as io.github.quorrel where a bus answers, else through a lock and a local
// socket in the runtime folder. Needs a QCoreApplication.
std::unique_ptr<Session> MakeSession();

// An advisory lock on a folder, held while the object lives, adding no file to it.
class FolderLock {
  public:
    virtual ~FolderLock() = default;
};

// nullptr when another process holds the folder's lock. A folder that cannot be opened gives a
// lock that holds nothing: what the store does there then reports its own failure.
std::unique_ptr<FolderLock> LockFolder(const std::string& path);

} // namespace quorrel
