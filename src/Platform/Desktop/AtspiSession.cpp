#include "Platform/Desktop/AtspiSession.h"

#include "Platform/Desktop/AtspiRef.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <vector>

namespace {

// The longest a search for the focused element may take, and the most elements it may visit: a huge tree
// (a browser page, a long list) must not hold up the picker; it then opens at the pointer.
constexpr qint64 searchBudgetMilliseconds = 150;
constexpr int searchNodeLimit = 3000;
// Applications whose focused element is remembered; the one that reported longest ago is forgotten first.
constexpr std::size_t rememberedApplications = 32;
constexpr auto focusEvent = "object:state-changed:focused";

bool busKnown()
{
    // Without a session bus libdbus would start one of its own (autolaunch): a side effect a clipboard tool
    // has no business causing, so AT-SPI is only joined where a bus is already known.
    if (!qEnvironmentVariableIsEmpty("AT_SPI_BUS_ADDRESS")
        || !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

struct States {
    bool focused = false;
    bool active = false;
    bool searchable = false; // showing, with children worth visiting
};

States statesOf(AtspiSession& session, AtspiAccessible* object)
{
    if (!session.allowCall())
        return {};
    Ref<AtspiStateSet> set(atspi_accessible_get_state_set(object));
    if (!set)
        return {};
    // Lists and tables that manage their descendants create them on demand, often by the thousand.
    return { bool(atspi_state_set_contains(set.get(), ATSPI_STATE_FOCUSED)),
        bool(atspi_state_set_contains(set.get(), ATSPI_STATE_ACTIVE)),
        atspi_state_set_contains(set.get(), ATSPI_STATE_SHOWING)
            && !atspi_state_set_contains(set.get(), ATSPI_STATE_MANAGES_DESCENDANTS) };
}

// Applications that offer the collection interface search their own tree in one call.
std::optional<AtspiAccessible*> collectFocused(AtspiSession& session, AtspiAccessible* application)
{
    // Once the budget is spent nothing is found, and nothing is walked either.
    if (!session.allowCall())
        return nullptr;
    Ref<AtspiCollection> collection(atspi_accessible_get_collection_iface(application));
    if (!collection)
        return std::nullopt;
    if (!session.allowCall())
        return nullptr;
    Ref<AtspiStateSet> states(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
    Ref<AtspiMatchRule> rule(
        atspi_match_rule_new(states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE,
            nullptr, ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
    ErrorSlot error;
    GArray* matches = atspi_collection_get_matches(
        collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, &error);
    if (!matches)
        return std::nullopt;
    AtspiAccessible* found = nullptr;
    for (guint i = 0; i < matches->len; ++i) {
        AtspiAccessible* match = g_array_index(matches, AtspiAccessible*, i);
        if (!found)
            found = match;
        else if (match)
            g_object_unref(match);
    }
    g_array_free(matches, TRUE);
    return found;
}

// The others are walked depth first through what is showing, the active window first.
AtspiAccessible* walkForFocused(AtspiSession& session, AtspiAccessible* application)
{
    QElapsedTimer clock;
    clock.start();
    int visited = 0;
    std::vector<Ref<AtspiAccessible>> pending;
    pending.emplace_back(static_cast<AtspiAccessible*>(g_object_ref(application)));
    while (!pending.empty()) {
        const Ref<AtspiAccessible> node = std::move(pending.back());
        pending.pop_back();
        if (!session.allowCall())
            return nullptr;
        ErrorSlot countError;
        const int count = atspi_accessible_get_child_count(node.get(), &countError);
        std::vector<std::pair<Ref<AtspiAccessible>, bool>> children; // with whether it is active
        for (int i = 0; i < count; ++i) {
            if (++visited > searchNodeLimit || clock.elapsed() > searchBudgetMilliseconds
                || !session.allowCall())
                return nullptr;
            ErrorSlot error;
            Ref<AtspiAccessible> child(atspi_accessible_get_child_at_index(node.get(), i, &error));
            if (!child)
                continue;
            const States states = statesOf(session, child.get());
            if (states.focused)
                return child.release();
            if (states.searchable)
                children.emplace_back(std::move(child), states.active);
        }
        std::stable_partition(
            children.begin(), children.end(), [](const auto& child) { return child.second; });
        // Pushed in reverse, so that the first child is the next one taken.
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back(std::move(child->first));
    }
    return nullptr;
}

// Every element holds a reference to its application object, one per application on the bus.
AtspiApplication* applicationOf(AtspiAccessible* object)
{
    return object ? object->parent.app : nullptr;
}

} // namespace

std::unique_ptr<AtspiSession> AtspiSession::join()
{
    // atspi_init answers 0 when it joined, 1 when joined before and 2 when the bus cannot be reached.
    if (!busKnown() || atspi_init() > 1)
        return nullptr;
    return std::unique_ptr<AtspiSession>(new AtspiSession);
}

AtspiSession::AtspiSession()
{
    // Events arrive through GLib's main context, which Qt's event loop runs on Linux.
    ErrorSlot error;
    atspi_event_listener_register_from_callback(
        &AtspiSession::focusChanged, this, nullptr, focusEvent, &error);
}

AtspiSession::~AtspiSession()
{
    // The process's connection stays: another session may still be using it.
    ErrorSlot error;
    atspi_event_listener_deregister_from_callback(&AtspiSession::focusChanged, this, focusEvent, &error);
    for (AtspiAccessible* element : m_focused)
        g_object_unref(element);
}

void AtspiSession::focusChanged(AtspiEvent* event, void* data)
{
    auto& focused = static_cast<AtspiSession*>(data)->m_focused;
    AtspiAccessible* source = event->source;
    const AtspiApplication* application = applicationOf(source);
    if (source && application) {
        auto known = std::find_if(focused.begin(), focused.end(),
            [&](AtspiAccessible* element) { return applicationOf(element) == application; });
        // A loss counts only where nothing is known of the application: the element gaining the focus next
        // may report before the one losing it.
        const bool gained = event->detail1 != 0;
        if (known != focused.end() && gained) {
            g_object_unref(*known);
            focused.erase(known);
            known = focused.end();
        }
        if (known == focused.end()) {
            if (focused.size() == rememberedApplications) {
                g_object_unref(focused.front());
                focused.erase(focused.begin());
            }
            focused.push_back(static_cast<AtspiAccessible*>(g_object_ref(source)));
        }
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

AtspiAccessible* AtspiSession::application(long long processIdentifier)
{
    if (!allowCall())
        return nullptr;
    Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
    ErrorSlot countError;
    const int count = desktop ? atspi_accessible_get_child_count(desktop.get(), &countError) : 0;
    for (int i = 0; i < count; ++i) {
        if (!allowCall())
            return nullptr;
        ErrorSlot error;
        Ref<AtspiAccessible> application(atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        ErrorSlot pidError;
        if (application && atspi_accessible_get_process_id(application.get(), &pidError) == processIdentifier
            && !pidError.failed())
            return application.release();
    }
    return nullptr;
}

AtspiAccessible* AtspiSession::focusedElement(AtspiAccessible* application)
{
    const auto known = std::find_if(m_focused.begin(), m_focused.end(),
        [&](AtspiAccessible* element) { return applicationOf(element) == applicationOf(application); });
    if (known != m_focused.end())
        return static_cast<AtspiAccessible*>(g_object_ref(*known));
    if (const auto collected = collectFocused(*this, application))
        return *collected;
    return walkForFocused(*this, application);
}

void AtspiSession::beginLookup(int budgetMilliseconds)
{
    m_lookupDeadline.setRemainingTime(budgetMilliseconds);
}

void AtspiSession::setCallTimeout(int milliseconds)
{
    m_callMilliseconds = milliseconds;
}

bool AtspiSession::allowCall()
{
    const qint64 left = m_lookupDeadline.remainingTime();
    if (left == 0)
        return false;
    const qint64 wait = left < 0 ? m_callMilliseconds : std::min<qint64>(m_callMilliseconds, left);
    // No start-up grace (-1): libatspi would otherwise wait far longer on an application it met lately.
    atspi_set_timeout(int(std::max<qint64>(1, wait)), -1);
    return true;
}
