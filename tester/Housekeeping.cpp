#include "tester/Housekeeping.h"

bool THousekeeping::TickActivityLed(int& counter) {
    if (counter > 0)
        --counter;
    return counter != 0;
}

THousekeeping::TResult THousekeeping::Tick(bool connected, bool splashExists) {
    TResult r;
    if (!connected)
        ActiveCtr = 0;
    else if (ActiveCtr > 0 && --ActiveCtr == 0)
        r.InactivityTimeout = true;
    if (splashExists && Splash >= 1 && --Splash == 0)
        r.FreeSplash = true;
    return r;
}
