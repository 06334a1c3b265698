#pragma once
// The X11 side of the clipboard: its own connection and thread. It watches the owner of CLIPBOARD
// (never PRIMARY), reads another program's copy once (TARGETS, then the best text and picture
// targets, INCR included) without ever blocking the window thread, serves what the program puts
// on the clipboard, keeps a copy alive when its owner quits (and answers the clipboard manager
// handover), and gives up on an owner that stops answering.
#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

namespace quorrel {

// One state of the clipboard, as the program sees it. Never changed once made.
struct ClipContent {
    bool hasText = false;
    QString text;
    QImage picture;
    QString pictureProblem;
    bool secret = false;
};
using ContentPtr = std::shared_ptr<const ClipContent>;

class X11Selection {
    using Clock = std::chrono::steady_clock;

  public:
    // Called on the selection thread with another program's change and the number of the
    // program's own writes done before it was read.
    using Deliver = std::function<void(ContentPtr, std::uint64_t)>;

    // Null when there is no X display to talk to.
    static std::unique_ptr<X11Selection> Open(const char* display, Deliver deliver);
    ~X11Selection();

    // What is on the clipboard now, read once at start (waits at most `limit`).
    ContentPtr Initial(std::chrono::milliseconds limit);

    // The program's own writes: done when they return; each counts one write.
    void Own(ContentPtr content);
    void Disown();

    // How long an owner may stay silent in a transfer before it is given up.
    static constexpr std::chrono::milliseconds kPatience{2000};
    // The second, last try for an owner that was silent the first time.
    static constexpr std::chrono::milliseconds kPatienceAgain{10000};
    // The largest picture kept (an 8K screen fits, and 8192 x 8192).
    static constexpr qint64 kMaxPixels = qint64(8192) * 8192;

  private:
    X11Selection() = default;
    struct Atoms;
    struct Outgoing;
    struct Served;
    struct Command {
        enum Kind { OwnIt, DisownIt, Stop } kind;
        ContentPtr content;
        std::shared_ptr<std::promise<void>> done;
    };
    struct OwnerNotice {
        std::uint32_t owner;
        std::uint8_t subtype;
    };

    void Run();
    void HandOver();
    void Post(Command c);
    // Handles events and commands until `want` accepts an event (returned, to be freed by the
    // caller) or nothing happened for `patience`, or a newer change makes the wait pointless.
    xcb_generic_event_t* Wait(const std::function<bool(xcb_generic_event_t*)>& want,
                              std::chrono::milliseconds patience);
    void Dispatch(xcb_generic_event_t* ev);
    xcb_generic_event_t* NextEvent();
    void SettleOwnChange();
    bool IsClipboardNotice(xcb_generic_event_t* ev) const;
    void RunCommands();
    void HandleOwnerNotice(OwnerNotice n);
    struct ReadResult {
        ContentPtr content;
        bool whole = false;
    };
    ReadResult ReadContent();
    ReadResult ReadOffered(); // on reader_
    void RetireReader();      // a read given up: what still comes for it is let through, unread
    void DropQuietReaders(Clock::time_point now);
    std::optional<std::vector<char>> Fetch(std::uint32_t target, std::uint32_t* type);
    void PostEmpty();
    void TakeOwnership(ContentPtr content);
    void GiveUpOwnership();
    void Serve(const xcb_selection_request_event_t& req);
    void ServeManager(const xcb_selection_request_event_t& req);
    bool Answer(const xcb_selection_request_event_t& req, std::uint32_t property);
    void SendIncrChunk(Outgoing& t);
    void Reply(const xcb_selection_request_event_t& req, std::uint32_t property);
    void ClaimManager();
    std::uint32_t Intern(const char* name);
    std::uint32_t Owner(std::uint32_t selection); // the window that owns it; none is 0

    Deliver deliver_;
    xcb_connection_t* c_ = nullptr;
    std::uint32_t win_ = 0;
    std::uint32_t root_ = 0;
    // Each read gets a window of its own: an owner that goes on sending a copy after the read
    // was given up (xclip does, once it lost the clipboard) writes there, never into a later read.
    std::uint32_t reader_ = 0;
    std::map<std::uint32_t, Clock::time_point> retired_; // given-up readers, until quiet
    std::uint8_t fixesEvent_ = 0;
    std::unique_ptr<Atoms> a_;
    int wake_ = -1;
    std::thread thread_;

    std::mutex m_;
    std::deque<Command> commands_;
    std::uint64_t processed_ = 0; // own writes done (selection thread)

    // Selection thread state.
    bool stop_ = false;
    bool dead_ = false;
    bool reading_ = false;
    bool abort_ = false;
    std::chrono::milliseconds patience_ = kPatience;
    bool refused_ = false; // the last Fetch was answered with a refusal, not silence
    std::optional<OwnerNotice> pendingNotice_;
    std::deque<xcb_generic_event_t*> deferred_; // events that came along with replies
    std::vector<xcb_selection_request_event_t> pendingSaves_;
    std::uint32_t foreignOwner_ = 0;
    std::uint32_t lastReadOwner_ = 0;
    ReadResult lastRead_;
    bool knownEmpty_ = false;
    bool managerOwned_ = false;
    bool otherManager_ = false;
    std::shared_ptr<Served> owned_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<Outgoing>> outgoing_;
    std::size_t chunk_ = 256 * 1024;

    std::promise<ContentPtr> initial_;
    bool initialSet_ = false;
};

} // namespace quorrel
