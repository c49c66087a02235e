#pragma once

#include <QDeadlineTimer>

#include <memory>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;
typedef struct _AtspiEvent AtspiEvent;

// This process's place on the AT-SPI bus, through which other applications' accessibility trees are read.
// libatspi keeps one connection per process and every session uses it; what a session keeps of its own
// is the focus it followed and the time its calls may take. Whoever reads the trees owns one.
//
// It also follows where the keyboard focus goes. On X11 every key grab (ours included, while the paste
// chord is held) takes the focus from the window in front for a moment, and many applications then stop
// calling any element focused; the element that had the focus last still knows its caret, so it is
// remembered for each application.
class AtspiSession {
public:
    // A session joined now; nullptr where no bus is known or it cannot be reached (AT-SPI is then simply
    // absent).
    static std::unique_ptr<AtspiSession> join();
    ~AtspiSession();
    AtspiSession(const AtspiSession&) = delete;
    AtspiSession& operator=(const AtspiSession&) = delete;

    // The application object of the process `processIdentifier`, with a reference for the caller; null
    // when that process is not on the bus.
    AtspiAccessible* application(long long processIdentifier);
    // The element of `application` (from `application()`) that has, or last had, the keyboard focus, with
    // a reference for the caller; null when there is none to be found.
    AtspiAccessible* focusedElement(AtspiAccessible* application);

    // libatspi's own default for how long a call waits.
    static constexpr int defaultCallMilliseconds = 800;

    // A lookup: the calls made until the next one wait `budgetMilliseconds` together, and each no longer
    // than the call time-out. An application that does not answer (stopped, or busy) costs that much and
    // no more, also one that started a moment ago.
    void beginLookup(int budgetMilliseconds);
    // How long one call waits from now on, in this lookup and the next ones.
    void setCallTimeout(int milliseconds);
    // To be asked before every call that reaches another application: sets how long it may wait, the
    // smaller of a call's time and what is left of the lookup's budget. False, and the call is not to be
    // made, once the budget is spent.
    bool allowCall();

private:
    AtspiSession();
    static void focusChanged(AtspiEvent* event, void* session);

    // For each application that reported one, the element that has or last had the focus; it holds a
    // reference to each.
    std::vector<AtspiAccessible*> m_focused;
    int m_callMilliseconds = defaultCallMilliseconds;
    QDeadlineTimer m_lookupDeadline { QDeadlineTimer::Forever };
};
