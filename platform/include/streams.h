// The base classes for writing DirectShow filters.
#pragma once

#include "dshow.h"

#include "amfilter.h"
#include "combase.h"
#include "mtype.h"
#include "renbase.h"
#include "wxutil.h"
