#include "app/CmdLine.h"

CmdLineData CmdLineValues;
