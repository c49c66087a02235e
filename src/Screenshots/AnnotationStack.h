#pragma once

#include "Screenshots/Annotation.h"

#include <cstdint>
#include <vector>

// The marks in effect, oldest first (the drawing order), and the marks taken back by undo, the most
// recently undone last.
struct AnnotationStack final {
    std::vector<Annotation> items;
    std::vector<Annotation> undone;

    // A new mark discards everything that could have been redone.
    void add(Annotation annotation);
    // Both do nothing when their source list is empty.
    void undo();
    void redo();
    // One more than the largest marker value in `items`, or 1 when there is none; `undone` is ignored.
    std::int64_t nextNumber() const;

    friend bool operator==(const AnnotationStack&, const AnnotationStack&) = default;
};
