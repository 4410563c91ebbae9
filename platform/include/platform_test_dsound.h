// Test support for the dsound platform services.
#pragma once

#include "windef.h"
