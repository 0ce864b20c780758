#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace rf {

// The parts of a window a change can touch.
enum class Area : std::size_t {
    Window,      // caption, visible
    Menus,       // MenuPrg, MenuFile, MenuIndicate, MenuHelp
    Tabs,        // AdjTab, selectedTab, PartAdjCheck, PbLpCheck, RecLpCheck, PbSpCheck, PbProCheck,
                 // PbDvCheck
    Message,     // Message (caption and colour)
    Log,         // LogText (only ever appended to, or cleared)
    Progress,    // ProgressBar
    Status,      // StatusText, StopNotice
    Counters,    // TimeDsp, RemainDsp
    ErrorPanel,  // ErrSelect, ErrSelectVisible, ErrDsp, MF2ChLabel, MF2KindLabel
};
inline constexpr std::size_t AreaCount = 9;

// What changed in a window model since a view last looked: a revision per area,
// and one listener (the view) told on every change.
//
// Whoever writes a field of the model marks its area after writing it; the
// view keeps the revisions it last applied and, told of a change, brings only
// the areas whose revision moved back in line. A revision only ever grows.
//
// The listener is called from inside mark(), in the middle of the program's
// work, so it should do no more than note that a look is due. There is one
// listener slot: a second subscribe() takes it over, and the first
// subscription then does nothing any more. The slot is mutable, so that a view
// holding the model as const can subscribe. Everything happens on the thread
// that owns the window.
//
// A copy starts with the revisions of the original and no listener. Assigning
// over a model replaces every area at once: each revision moves past both
// sides' and the listener of the assigned-to record (its view's) is told.
// Equality ignores the change record: it is not a control, and two models
// showing the same are equal whatever their history.
class WindowChanges {
    struct Listener {
        std::function<void()> call;
        std::uint64_t id = 0;  // which subscription holds the slot
    };

  public:
    class Subscription;

    WindowChanges() = default;
    WindowChanges(const WindowChanges& other) : revisions_(other.revisions_) {}
    WindowChanges& operator=(const WindowChanges& other) {
        if (this == &other) return *this;
        for (std::size_t i = 0; i < AreaCount; ++i)
            revisions_[i] = std::max(revisions_[i], other.revisions_[i]) + 1;
        tell();
        return *this;
    }
    ~WindowChanges() = default;

    // Bumps the area's revision and tells the listener.
    void mark(Area area) {
        ++revisions_[index(area)];
        tell();
    }
    std::uint64_t revision(Area area) const { return revisions_[index(area)]; }

    // Calls `listener` on every change from now until the subscription is
    // destroyed (or another one takes the slot).
    [[nodiscard]] Subscription subscribe(std::function<void()> listener) const;

    friend bool operator==(const WindowChanges&, const WindowChanges&) { return true; }

  private:
    static constexpr std::size_t index(Area area) { return static_cast<std::size_t>(area); }

    void tell() const {
        if (!listener_ || !listener_->call) return;
        // A copy: the listener may unsubscribe while it runs.
        const std::function<void()> call = listener_->call;
        call();
    }

    std::array<std::uint64_t, AreaCount> revisions_{};
    mutable std::shared_ptr<Listener> listener_;
};

// Holds the listener slot of a WindowChanges while it lives; it may outlive
// the record it came from.
class WindowChanges::Subscription {
  public:
    Subscription() = default;
    Subscription(Subscription&&) noexcept = default;
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            slot_ = std::move(other.slot_);
            id_ = other.id_;
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    // Stops the calls now.
    void reset() {
        if (const auto slot = slot_.lock(); slot && slot->id == id_) slot->call = nullptr;
        slot_.reset();
    }

  private:
    friend class WindowChanges;
    Subscription(std::weak_ptr<Listener> slot, std::uint64_t id)
        : slot_(std::move(slot)), id_(id) {}

    std::weak_ptr<Listener> slot_;
    std::uint64_t id_ = 0;
};

inline WindowChanges::Subscription WindowChanges::subscribe(std::function<void()> listener) const {
    if (!listener_) listener_ = std::make_shared<Listener>();
    listener_->call = std::move(listener);
    return Subscription(listener_, ++listener_->id);
}

}  // namespace rf
