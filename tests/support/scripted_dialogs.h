#pragma once

// The scripted message boxes now live with the other stand-ins.
#include "support/fakes.h"
