#pragma once

#include <QPointF>

#include <cstdint>
#include <variant>
#include <vector>

// One mark on a screenshot, in the shot's pixel space: origin at the bottom-left corner, y upwards.
// Equality is exact (coordinates compared as floating-point numbers, not within a tolerance): two strokes
// through the same points in another order are different marks.
struct Annotation final {
    // A brush stroke through the points, in order; inside it the blurred picture shows.
    struct Blur {
        std::vector<QPointF> points;
        double diameter = 0;
        friend bool operator==(const Blur& a, const Blur& b);
    };
    // An arrow from its tail to its tip.
    struct Arrow {
        QPointF from;
        QPointF to;
        friend bool operator==(const Arrow& a, const Arrow& b);
    };
    // A round numbered marker centred on `at`.
    struct Number {
        QPointF at;
        std::int64_t value = 0;
        friend bool operator==(const Number& a, const Number& b);
    };

    std::variant<Blur, Arrow, Number> mark;

    Annotation(Blur blur)
        : mark(std::move(blur))
    { }
    Annotation(Arrow arrow)
        : mark(arrow)
    { }
    Annotation(Number number)
        : mark(number)
    { }

    const Blur* blur() const { return std::get_if<Blur>(&mark); }
    const Arrow* arrow() const { return std::get_if<Arrow>(&mark); }
    const Number* number() const { return std::get_if<Number>(&mark); }

    friend bool operator==(const Annotation& a, const Annotation& b) { return a.mark == b.mark; }
};
