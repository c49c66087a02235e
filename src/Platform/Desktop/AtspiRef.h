#pragma once

// GLib names a structure member "signals", which Qt's keyword macro would rewrite.
#undef signals
#include <atspi/atspi.h>

#include <memory>

// Owning pointers and error slots for libatspi's GObject world.
struct AtspiUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Ref = std::unique_ptr<T, AtspiUnref>;

// A GError out-parameter that is freed however the call went.
class ErrorSlot {
public:
    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;
    ~ErrorSlot() { g_clear_error(&m_error); }
    GError** operator&() { return &m_error; }
    bool failed() const { return m_error != nullptr; }

private:
    GError* m_error = nullptr;
};
