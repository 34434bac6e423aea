#pragma once
// The randomised read of a parameter: the stored value shifted by an offset
// drawn from [offsetMin, offsetMax] (exactly one draw from parameterRng()),
// then clamped to the range of its kind.
#include <cstdint>

#include "instructions/param_value.h"

ParamValue RandomisedValue(const ParamRecord& record, uint32_t kind);
