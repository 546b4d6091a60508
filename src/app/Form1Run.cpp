// The analysis run of the main window.

#include "ErrorReport.h"
#include "Form1.h"

#include <cmath>

int Form1::PBCurrentValue(int current, int total, bool finished) {
    if (total <= 0) {
        return 0;
    }
    const double done = finished ? current : current - 1;
    return static_cast<int>(std::nearbyint(done / total * 100.0));
}

void Form1::PushButton2_Click() {}

void Form1::CheckReadability() {}
