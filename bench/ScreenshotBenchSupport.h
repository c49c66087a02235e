#pragma once

#include <QImage>

// A 5120×2880 picture that compresses and blurs like a real screen: panels, text and a photo-like patch.
const QImage& fiveKScreen();
