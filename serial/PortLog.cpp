#include "serial/PortLog.h"

PortLog& portLog() {
    static PortLog log;
    return log;
}
