#pragma once
// The X11 side of the clipboard: its own connection and thread. It watches the owner of CLIPBOARD
// (never PRIMARY), reads another program's copy once (TARGETS, then the best text and picture
// targets, INCR included) without ever blocking the window thread, serves what the program puts
// on the clipboard, keeps a copy alive when its owner quits (and answers the clipboard manager
// handover), and gives up on an owner that stops answering. The rules (targets, contents, keep,
// limits) are the shared ones of ClipboardRules; this class only moves them over X11.
//
// One thread, one class, its jobs in files of their own:
//   X11Selection.cpp        connection, event loop, commands from the window thread
//   X11SelectionRead.cpp    watching other owners and reading their copies (INCR in)
//   X11SelectionServe.cpp   serving the program's own clipboard (INCR out)
//   X11SelectionKeep.cpp    taking and giving up the clipboard, keeping a copy, the manager
#include "platform/ClipboardRules.h"
#include "platform/SelectionCommands.h"

#include <chrono>
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

class X11Selection {
    using Clock = std::chrono::steady_clock;

  public:
    // Called on the selection thread with another program's change and the number of the
    // program's own writes done before it was read.
    using Deliver = std::function<void(ContentPtr, std::uint64_t)>;

    // Null when there is no X display to talk to. A text copy larger than `maxTextBytes` is given
    // up while it arrives.
    static std::unique_ptr<X11Selection> Open(const char* display, Deliver deliver,
                                              qint64 maxTextBytes = clip::kMaxTextBytes);
    ~X11Selection();

    // What is on the clipboard now, read once at start (waits at most `limit`).
    ContentPtr Initial(std::chrono::milliseconds limit);

    // The program's own writes: done when they return; each counts one write.
    void Own(ContentPtr content);
    void Disown();

  private:
    X11Selection() = default;
    struct Atoms;
    struct Outgoing;
    struct Served;
    using Command = SelectionCommands::Command;
    // An owner change of CLIPBOARD, with the server's times: of the change (`time`) and of the
    // owner's taking the clipboard (`since`).
    struct OwnerNotice {
        std::uint32_t owner;
        std::uint8_t subtype;
        std::uint32_t time = 0;
        std::uint32_t since = 0;
    };
    struct ReadResult {
        ContentPtr content;
        bool whole = false;  // every answer is in (or the copy was given up for its size)
        bool retire = false; // the owner may still send: its reader window stays for a while
    };

    // The loop (X11Selection.cpp).
    void Run();
    void Post(Command::Kind kind, ContentPtr content = nullptr);
    // Handles events and commands until `want` accepts an event (returned, to be freed by the
    // caller) or nothing happened for `patience`, or a newer change makes the wait pointless.
    xcb_generic_event_t* Wait(const std::function<bool(xcb_generic_event_t*)>& want,
                              std::chrono::milliseconds patience);
    void Dispatch(xcb_generic_event_t* ev);
    xcb_generic_event_t* NextEvent();
    void RunCommands();
    std::uint32_t Intern(const char* name);
    std::uint32_t Owner(std::uint32_t selection); // the window that owns it; none is 0
    std::uint32_t ServerTime();                   // the server's time now
    bool IsClipboardNotice(xcb_generic_event_t* ev) const;

    // Watching and reading (X11SelectionRead.cpp).
    void HandleOwnerNotice(OwnerNotice n);
    ReadResult ReadContent();
    ReadResult ReadOffered(); // on reader_
    void RetireReader();      // a read given up: what still comes for it is let through, unread
    void DropQuietReaders(Clock::time_point now);
    bool TakeRetiredPiece(const xcb_property_notify_event_t& e);
    enum class Fetched { Ok, Silent, Refused, TooLarge };
    Fetched Fetch(std::uint32_t target, qint64 limit, std::vector<char>* data, std::uint32_t* type);
    void PostEmpty();

    // Serving (X11SelectionServe.cpp).
    void Serve(const xcb_selection_request_event_t& req);
    bool Answer(const xcb_selection_request_event_t& req, std::uint32_t property);
    void SendIncrChunk(Outgoing& t);
    bool SendNextChunk(const xcb_property_notify_event_t& e);
    void Reply(const xcb_selection_request_event_t& req, std::uint32_t property);

    // Owning, keeping and the manager handover (X11SelectionKeep.cpp).
    bool TakeOwnership(ContentPtr content, std::uint32_t time);
    void GiveUpOwnership();
    void SettleOwnChange(std::uint32_t owner, std::uint32_t time);
    void LoseOwnership(const xcb_selection_clear_event_t& e);
    void KeepOrEmpty(const OwnerNotice& n);
    void ServeManager(const xcb_selection_request_event_t& req);
    void ClaimManager();
    void HandOver();

    // The connection.
    Deliver deliver_;
    xcb_connection_t* c_ = nullptr;
    std::uint32_t win_ = 0;
    std::uint32_t root_ = 0;
    std::uint8_t fixesEvent_ = 0;
    std::unique_ptr<Atoms> a_;
    std::thread thread_;
    bool stop_ = false;
    bool dead_ = false;
    std::deque<xcb_generic_event_t*> deferred_; // events that came along with replies

    SelectionCommands commands_;  // from the window thread
    std::uint64_t processed_ = 0; // own writes done (selection thread)

    // Reading.
    // Each read gets a window of its own: an owner that goes on sending a copy after the read
    // was given up (xclip does, once it lost the clipboard) writes there, never into a later read.
    std::uint32_t reader_ = 0;
    struct Retired {
        Clock::time_point quietAt; // destroyed when nothing came for it until then
        Clock::time_point endAt;   // and at the latest then, for an owner that streams forever
    };
    std::map<std::uint32_t, Retired> retired_; // given-up readers
    qint64 maxText_ = clip::kMaxTextBytes;
    bool reading_ = false;
    bool abort_ = false;
    std::chrono::milliseconds patience_ = clip::kPatience;
    std::optional<OwnerNotice> pendingNotice_;
    std::uint32_t foreignOwner_ = 0;
    std::uint32_t lastReadOwner_ = 0;
    ReadResult lastRead_;
    bool knownEmpty_ = false;
    std::promise<ContentPtr> initial_;
    bool initialSet_ = false;

    // Serving.
    std::shared_ptr<Served> owned_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<Outgoing>> outgoing_;
    std::size_t chunk_ = 256 * 1024;

    // The clipboard manager.
    bool managerOwned_ = false;
    bool otherManager_ = false;
    std::vector<xcb_selection_request_event_t> pendingSaves_;
};

} // namespace quorrel
