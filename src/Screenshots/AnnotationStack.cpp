#include "Screenshots/AnnotationStack.h"

#include <limits>
#include <optional>

void AnnotationStack::add(Annotation annotation)
{
    items.push_back(std::move(annotation));
    undone.clear();
}

void AnnotationStack::undo()
{
    if (items.empty())
        return;
    undone.push_back(std::move(items.back()));
    items.pop_back();
}

void AnnotationStack::redo()
{
    if (undone.empty())
        return;
    items.push_back(std::move(undone.back()));
    undone.pop_back();
}

std::int64_t AnnotationStack::nextNumber() const
{
    std::optional<std::int64_t> largest;
    for (const auto& item : items) {
        if (const auto* number = item.number(); number && (!largest || number->value > *largest))
            largest = number->value;
    }
    if (!largest)
        return 1;
    // A marker at the very top of the range cannot be outnumbered; repeating it beats overflowing.
    return *largest == std::numeric_limits<std::int64_t>::max() ? *largest : *largest + 1;
}
