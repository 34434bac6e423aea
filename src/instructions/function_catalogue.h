#pragma once
// The catalogue: one prototype per instruction class, in the fixed order of
// the "Add Instruction" combo. New instructions are clones of a prototype.
#include <cstdint>
#include <vector>

class AbstractRasterFunction;

// Builds the prototypes on first use, in catalogue order, whatever the link order.
const std::vector<AbstractRasterFunction*>& functionCatalogue();

// The first prototype whose type identifier is typeId, or nullptr.
const AbstractRasterFunction* FindPrototypeByTypeId(uint32_t typeId);
