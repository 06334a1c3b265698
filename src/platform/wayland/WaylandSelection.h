#pragma once
// The Wayland side of the clipboard, for desktops that let a clipboard manager watch the
// clipboard (ext-data-control-v1 or zwlr-data-control-unstable-v1: wlroots desktops, KDE
// Plasma). Its own Wayland connection and thread: it reads every copy once, whichever program
// has the focus (the compositor hands the X11 clipboard to Xwayland only while an X11 window has
// it), serves what the program puts on the clipboard from memory, keeps a copy whose program
// quit, and gives up on an owner that stops sending.
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
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

struct wl_display;
struct wl_proxy;
struct wl_interface;
struct wl_registry;

namespace quorrel {

class WaylandSelection {
    using Clock = std::chrono::steady_clock;

  public:
    // Called on the selection thread with another program's change and the number of the
    // program's own writes done before it was read.
    using Deliver = std::function<void(ContentPtr, std::uint64_t)>;

    // Null when there is no Wayland display or it offers no data-control protocol (GNOME).
    static std::unique_ptr<WaylandSelection> Open(Deliver deliver);
    ~WaylandSelection();

    // What is on the clipboard now, read once at start (waits at most `limit`).
    ContentPtr Initial(std::chrono::milliseconds limit);
    // The program's own writes: done when they return.
    void Own(ContentPtr content);
    void Disown();
    // "ext_data_control_v1" or "zwlr_data_control_unstable_v1".
    const char* Protocol() const;

    struct Interfaces;
    struct Offer;

  private:
    WaylandSelection() = default;
    struct Served;
    struct Transfer;
    using Command = SelectionCommands::Command;
    struct ReadResult {
        ContentPtr content;
        bool whole = false;
    };

    void Run();
    // Runs the Wayland events, the window thread's commands and the transfers to other programs
    // once, waiting at most `timeout` (-1: for ever); `extra` is polled too (its revents set).
    void Pump(int timeoutMs, pollfd* extra);
    void RunCommands();
    void ServeTransfers(const std::vector<struct pollfd>& fds, std::size_t first);
    void HandleSelection(std::unique_ptr<Offer> offer);
    ReadResult ReadOffer(Offer& offer);
    std::optional<std::vector<char>> Receive(Offer& offer, const QByteArray& mime);
    void TakeOwnership(ContentPtr content);
    void GiveUpOwnership();
    void PostEmpty();

    // Protocol events.
    static void OnDataOffer(void* self, wl_proxy* device, wl_proxy* offer);
    static void OnSelection(void* self, wl_proxy* device, wl_proxy* offer);
    static void OnFinished(void* self, wl_proxy* device);
    static void OnPrimary(void* self, wl_proxy* device, wl_proxy* offer);
    static void OnOfferMime(void* offer, wl_proxy* proxy, const char* mime);
    static void OnSend(void* self, wl_proxy* source, const char* mime, std::int32_t fd);
    static void OnCancelled(void* self, wl_proxy* source);

    Deliver deliver_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_proxy* seat_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_proxy* device_ = nullptr;
    const Interfaces* protocol_ = nullptr;
    std::thread thread_;

    SelectionCommands commands_;  // from the window thread
    std::uint64_t processed_ = 0; // own writes done (selection thread)

    // Selection thread state.
    bool stop_ = false;
    bool dead_ = false;
    bool reading_ = false;
    bool abort_ = false;
    bool tooLarge_ = false; // the last Receive was given up for its size
    std::map<wl_proxy*, std::unique_ptr<Offer>> introduced_; // offers not yet named a selection
    std::optional<std::unique_ptr<Offer>> pendingSelection_; // a change not handled yet
    std::unique_ptr<Offer> selected_;                        // the clipboard's current offer
    ReadResult lastRead_;
    bool knownEmpty_ = false;
    wl_proxy* source_ = nullptr; // the program's own clipboard, while it holds it
    std::shared_ptr<Served> served_;
    std::map<wl_proxy*, std::shared_ptr<Served>> sources_;
    std::vector<std::unique_ptr<Transfer>> transfers_;

    std::promise<ContentPtr> initial_;
    bool initialSet_ = false;
};

} // namespace quorrel
