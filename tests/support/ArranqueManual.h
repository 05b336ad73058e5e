#pragma once

// The program as app/main.cpp builds it, but without the start-up that runs when the main window
// is first shown: the tests and the benchmarks drive the login, the company and the loading
// themselves. Header only; its users link lumivo_app.

#include "app/Lumivo.h"

struct ArranqueManual {
    static Lumivo::SinArranque llave() { return {}; }
    // The whole start-up, for the tests that keep the stored start's files in a folder of theirs.
    static Lumivo::ConArranque conArranque() { return {}; }
};
