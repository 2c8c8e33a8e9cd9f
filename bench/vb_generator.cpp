#include "vb_generator.h"
