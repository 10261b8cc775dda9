#pragma once
// The take's state, with this one owner: whether a take records, a preview
// plays or neither, whether an accompaniment is being chosen, fetched or
// imported, and the count of the one-second clock against the gauge. Every
// change shows on the window at once: the buttons' Tags (the record button's
// is 1 while a take records, the preview button's while a preview plays),
// the gauge and the timer. UI thread only.

#include <functional>

#include "workflow/MainWindowView.h"

enum class TakePhase { Idle, Recording, Previewing };

class TakeState {
public:
    explicit TakeState(MainWindowView& view) : view_(view) {}

    TakePhase phase() const { return phase_; }
    void setPhase(TakePhase phase);
    // Told of every phase set, after the window shows it.
    void setPhaseHandler(std::function<void(TakePhase)> handler) {
        phaseHandler_ = std::move(handler);
    }

    // An accompaniment is on its way (chosen, fetched, imported, or its copy
    // in another key made): a second one waits until it has come, and so
    // does a new take.
    bool accompanimentBusy() const { return busyScopes_ > 0 || held_; }
    // Marks the accompaniment busy for its lifetime, however the scope is
    // left; scopes may overlap.
    class BusyScope {
    public:
        explicit BusyScope(TakeState& state) : state_(state) { ++state_.busyScopes_; }
        ~BusyScope() { --state_.busyScopes_; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TakeState& state_;
    };
    // Busy until told otherwise (a song link between its click and its fetch).
    void setAccompanimentBusy(bool busy) { held_ = busy; }

    // The clock of a take or preview: started at 1, one more at each tick.
    void startClock();
    int tick() { return ++elapsed_; }
    void stopClock();
    bool clockRunning() const { return clockRunning_; }

    // The gauge counts seconds up to the accompaniment's length (100 until
    // one is known). Progress is kept within [0, maximum]; a maximum of 0
    // is ignored.
    void setGaugeMaximum(int maximum);
    void setGaugeProgress(int progress);
    int gaugeProgress() const { return progress_; }
    int gaugeMaximum() const { return maximum_; }
    bool gaugeFull() const { return progress_ >= maximum_; }

private:
    MainWindowView& view_;
    TakePhase phase_ = TakePhase::Idle;
    std::function<void(TakePhase)> phaseHandler_;
    int busyScopes_ = 0;
    bool held_ = false;
    int elapsed_ = 0;  // TimerText.Tag
    bool clockRunning_ = false;
    int progress_ = 0;
    int maximum_ = 100;
};
