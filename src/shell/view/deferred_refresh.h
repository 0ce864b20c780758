#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <utility>

#include "core/window_changes.h"

namespace rf::shell {

// Listens to a window model's change record for a view and calls `refresh`
// once the event loop next runs: the marks of a burst of writes, all made
// before the loop gets control, give one call. The call is a queued one on
// `context`, so it is dropped if the view goes first; and it is not made at
// all unless something was marked.
class DeferredRefresh {
  public:
    DeferredRefresh(const WindowChanges& changes, QObject* context, std::function<void()> refresh)
        : context_(context), refresh_(std::move(refresh)) {
        subscription_ = changes.subscribe([this] { schedule(); });
    }
    DeferredRefresh(const DeferredRefresh&) = delete;
    DeferredRefresh& operator=(const DeferredRefresh&) = delete;

  private:
    void schedule() {
        if (pending_) return;
        pending_ = true;
        QMetaObject::invokeMethod(
            context_,
            [this] {
                // Cleared first: a mark made by the refresh itself gives another.
                pending_ = false;
                refresh_();
            },
            Qt::QueuedConnection);
    }

    QObject* context_;
    std::function<void()> refresh_;
    bool pending_ = false;
    WindowChanges::Subscription subscription_;
};

}  // namespace rf::shell
