// One running copy without a session bus: the runtime folder's lock and socket.
#include "platform/session/LocalSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace quorrel;

namespace {

// A second start, on a thread of its own (it blocks until answered) while this one runs the
// events that answer it (a start unanswered gives up on its own). 1: it claimed the folder;
// 0: it handed its request over.
int SecondStart(const QString& folder, SessionRequest request) {
    std::atomic<int> result{-1};
    std::thread second([&] { result = LocalSession(folder).Claim(request) ? 1 : 0; });
    while (result == -1)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second.join();
    return result;
}

} // namespace

// The first start claims the folder and gets each later start's request; once it ends, a socket
// it left behind (a crash) does not stop the next start from claiming the folder in its turn.
TEST(LocalSession, OneCopyTakesTheRequestsOfLaterStartsAndLeavesTheFolderWhenItEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<SessionRequest> asked;
    auto first = std::make_unique<LocalSession>(dir.path());
    ASSERT_TRUE(first->Claim(SessionRequest::Show));
    QObject::connect(first.get(), &Session::Requested,
                     [&](SessionRequest r) { asked.push_back(r); });
    EXPECT_EQ(SecondStart(dir.path(), SessionRequest::Toggle), 0) << "not handed over";
    EXPECT_EQ(SecondStart(dir.path(), SessionRequest::Show), 0) << "not handed over";
    EXPECT_EQ(asked, (std::vector<SessionRequest>{SessionRequest::Toggle, SessionRequest::Show}));
    EXPECT_EQ(QFile::permissions(dir.filePath("quorrel.socket")) & 0077, 0) << "others may connect";

    first.reset();
    QFile stale(dir.filePath("quorrel.socket"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    LocalSession next(dir.path());
    ASSERT_TRUE(next.Claim(SessionRequest::Show)) << "the folder was not free again";
    QObject::connect(&next, &Session::Requested, [&](SessionRequest r) { asked.push_back(r); });
    EXPECT_EQ(SecondStart(dir.path(), SessionRequest::Toggle), 0) << "not handed over";
    EXPECT_EQ(asked.back(), SessionRequest::Toggle);
}
