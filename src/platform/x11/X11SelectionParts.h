#pragma once
// What the files of X11Selection share, and nothing else includes.
#include "platform/x11/X11Selection.h"
#include "platform/x11/XcbFreed.h"

#include <QByteArray>

#include <cstdlib>

namespace quorrel {

constexpr std::uint8_t EventType(const xcb_generic_event_t* ev) {
    return ev->response_type & 0x7f;
}

// Server times wrap around after 49 days: the earlier of two is the one half a cycle behind.
constexpr bool TimeBefore(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

struct X11Selection::Atoms {
    std::uint32_t clipboard, targets, timestamp, multiple, incr, utf8, hint, manager, saveTargets,
        property, atomPair, time;
    std::vector<std::uint32_t> textTargets;    // in clip::TextTargets() order
    std::vector<std::uint32_t> pictureTargets; // in clip::PictureTargets() order
    std::map<std::uint32_t, QByteArray> names; // of the text and picture targets

    QByteArray NameOf(std::uint32_t atom) const {
        const auto it = names.find(atom);
        return it == names.end() ? QByteArray() : it->second;
    }
};

// What the program has put on the clipboard.
struct X11Selection::Served {
    clip::Encodings encodings;
    // The server's time of taking the clipboard, which TIMESTAMP answers.
    std::uint32_t acquired = XCB_CURRENT_TIME;
};

// One INCR transfer to a requestor that asked for more than one chunk.
struct X11Selection::Outgoing {
    std::uint32_t requestor, property, type;
    std::shared_ptr<const QByteArray> data;
    qsizetype offset = 0;
    bool finished = false;
    std::chrono::steady_clock::time_point deadline;
};

} // namespace quorrel
