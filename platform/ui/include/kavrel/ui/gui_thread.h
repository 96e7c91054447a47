// Work for the GUI thread. A worker thread never touches a widget; it posts the work
// and goes on without waiting for it.
#pragma once

#include <QObject>

#include <functional>

namespace kavrel::ui {

// True on the thread that runs the application's event loop.
bool OnGuiThread();

// Runs `work` from the event loop of `context`'s thread (the GUI thread for widgets),
// after the events already queued. Dropped when `context` is destroyed first.
void PostToGui(QObject* context, std::function<void()> work);

}  // namespace kavrel::ui
