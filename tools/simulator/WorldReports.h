#pragma once

class SimulatedWorld;
class Transcript;

// What the simulated machine does on its own account, told in the transcript as it happens: pasteboard
// writes, taps, posted and delivered keys, alerts, processes, HTTP answers and hot keys.
void reportWorldEvents(SimulatedWorld& world, Transcript& transcript);
