// The link clock's timers: integer counts of 10 ms ticks.
#pragma once

namespace mirell {

inline constexpr int kTickMs = 10;

// A duration of d milliseconds is loaded as d / 10 + 1 ticks, so a timer never
// fires early, and one loaded with 0 ms still holds for one tick.
constexpr int ticksFor(int milliseconds) { return milliseconds / kTickMs + 1; }

// Reply, hold and quiet timers: count down to 0, then raise their event on
// every tick while they stay at 0, until a transition loads them again.
class RepeatingTimer {
public:
    void load(int milliseconds) { ticks_ = ticksFor(milliseconds); }
    // One tick of the link clock; true when the timer's event is due.
    bool tick() {
        if (ticks_ == 0) return true;
        --ticks_;
        return false;
    }
    int ticks() const { return ticks_; }

private:
    int ticks_ = 0;
};

// Gap timer and the two watchdogs: act once, when they step from 1 to 0.
class OneShotTimer {
public:
    void load(int milliseconds) { ticks_ = ticksFor(milliseconds); }
    void loadTicks(int ticks) { ticks_ = ticks; }
    void clear() { ticks_ = 0; }
    bool tick() {
        if (ticks_ == 0) return false;
        return --ticks_ == 0;
    }
    int ticks() const { return ticks_; }
    bool running() const { return ticks_ != 0; }

private:
    int ticks_ = 0;
};

// Line timing constant T: how long the line must stay quiet, in ms.
constexpr int lineTimingMs(bool primaryMaster) { return primaryMaster ? 385 : 510; }

inline constexpr int kGapTimeoutMs = 160;
inline constexpr int kWatchdogTicks = 250;  // 2.5 s: the busy watchdog
// 3.5 s: the reply window (400 ms) and then the longest frame a device may
// send, 60 preambles and 267 bytes (byte count 255) at 9.17 ms a character.
inline constexpr int kResponseWatchdogTicks = 350;

// Durations a timer code loads, in ms; a negative value leaves the timer alone.
struct TimerLoad {
    int replyMs;
    int quietMs;
    int holdMs;
};

inline constexpr int kTimerCodeUnchanged = 10;

// The timer-code table. Code 10 leaves all three timers unchanged.
constexpr TimerLoad timerLoadFor(int code, bool primaryMaster) {
    const int t = lineTimingMs(primaryMaster);
    switch (code) {
        case 0:
        case 1:
        case 6: return {3 * t, t, 0};
        case 2: return {2 * t, 0, 0};
        case 3:
        case 4: return {t - 385, 0, 0};
        case 5: return {155, 0, 0};
        case 7:
        case 8:
        case 9:
        case 11: return {385, 0, 0};
        case 12:
        case 13: return {0, 0, 100};
        default: return {-1, -1, -1};
    }
}

}  // namespace mirell
