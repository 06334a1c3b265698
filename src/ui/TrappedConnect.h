#pragma once
// QObject::connect for the handlers of the windows: each call of the handler runs inside the
// error trap, so a failure is shown as a message and nothing is thrown through Qt.
#include "Trap.h"

#include <QObject>

namespace quorrel {

// A member function of `receiver` as the handler.
template <class Sender, class Signal, class Obj, class... Args>
QMetaObject::Connection ConnectTrapped(MessageBox& messages, const Sender* sender, Signal signal,
                                       Obj* receiver, void (Obj::*handler)(Args...)) {
    return QObject::connect(sender, signal, receiver, [&messages, receiver, handler](Args... args) {
        RunTrapped(messages, [&] { (receiver->*handler)(args...); });
    });
}

// A callable as the handler, disconnected when `context` goes.
template <class Sender, class Signal, class Handler>
QMetaObject::Connection ConnectTrapped(MessageBox& messages, const Sender* sender, Signal signal,
                                       const QObject* context, Handler handler) {
    // Callable with exactly the arguments the handler takes, so Qt passes it no others.
    return QObject::connect(sender, signal, context,
                            [&messages, handler](auto... args) -> decltype(handler(args...)) {
                                RunTrapped(messages, [&] { handler(args...); });
                            });
}

} // namespace quorrel
