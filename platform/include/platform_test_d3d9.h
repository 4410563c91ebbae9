// Test support for the d3d9 platform services.
#pragma once

#include "windef.h"
