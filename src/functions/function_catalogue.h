#pragma once
// The catalogue: the prototype of every instruction class, in the fixed order
// of the "Add Instruction" combo. New instructions are clones of a prototype;
// project files name a class by its type identifier.
#include <cstdint>
#include <vector>

#include "instructions/abstract_raster_function.h"

const std::vector<const AbstractRasterFunction*>& functionCatalogue();

// The first prototype whose type identifier is typeId, or nullptr.
const AbstractRasterFunction* FindPrototypeByTypeId(uint32_t typeId);
