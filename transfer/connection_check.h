// How the transfer window reaches the window that opened it: while an operation talks to the
// device, the opener's once-a-second connection check must stay silent, so that two
// exchanges never meet on the line.
#pragma once

namespace kvd {

class ConnectionCheck {
  public:
    virtual ~ConnectionCheck() = default;
    // Called on the UI thread when an operation starts (before any warning box): stop the
    // check's timer.
    virtual void PauseConnectionCheck() = 0;
    // Called on the UI thread when the operation is over (after its result box), unless an
    // exit was requested meanwhile: start the timer again with its usual period.
    virtual void ResumeConnectionCheck() = 0;
    // Whether the program is ending: the window then closes after its operation instead.
    virtual bool ExitRequested() const = 0;
};

}  // namespace kvd
