#pragma once

class QObject;
class SimulatedWorld;
class Transcript;

// What the simulated machine does on its own account, told in the transcript as it happens: pasteboard
// writes, taps, posted and delivered keys, alerts, processes, HTTP answers, hot keys and the recorder.
// `context` ends the reports that do not go through the world when it is destroyed.
void reportWorldEvents(SimulatedWorld& world, Transcript& transcript, QObject* context);
