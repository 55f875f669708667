#pragma once

#include <QObject>

#include <functional>

// Runs an event handler. An exception that escapes it (a text that is not a number, say) is
// shown in an error box, and the window keeps its state and stays usable.
//
// Handlers run inside this guard rather than relying on the application's notify() alone:
// an exception that unwinds through Qt's own frames skips their cleanup (Qt's widget code is
// built without exception support), which leaks and can leave a widget half-updated.
void runHandler(const std::function<void()>& handler);

// Connects `signal` to a handler member without arguments, run through runHandler.
template <class Sender, class Signal, class Receiver>
QMetaObject::Connection connectHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)())
{
    return QObject::connect(sender, signal, receiver, [receiver, handler] { runHandler([&] { (receiver->*handler)(); }); });
}
