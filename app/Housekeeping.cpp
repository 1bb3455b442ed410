#include "app/Housekeeping.h"

bool THousekeeping::TickActivityLed(int& counter) {
    if (counter > 0)
        --counter;
    return counter != 0;
}

THousekeeping::TResult THousekeeping::Tick(bool connected, bool splashExists, bool startButtonDisabled) {
    TResult r;
    if (!connected)
        ActiveCtr = 0;
    else if (ActiveCtr > 0 && --ActiveCtr == 0)
        r.InactivityTimeout = true;
    if (SettingHold > 0)
        --SettingHold;
    if (splashExists && Splash >= 1 && --Splash == 0)
        r.FreeSplash = true;
    if (startButtonDisabled && StartButton > 0 && --StartButton == 0)
        r.EnableStartButton = true;
    return r;
}
