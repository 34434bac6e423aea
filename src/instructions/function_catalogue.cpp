#include "instructions/function_catalogue.h"

#include "instructions/abstract_raster_function.h"
#include "instructions/catalogue_registry.h"

// Defined beside the instruction classes: constructs one prototype of each,
// in catalogue order.
void ConstructPrototypes();

const std::vector<AbstractRasterFunction*>& functionCatalogue() {
    static const std::vector<AbstractRasterFunction*>* catalogue = [] {
        CatalogueRegistry& registry = CatalogueRegistry::Instance();
        registry.building = true;
        ConstructPrototypes();
        registry.building = false;
        return &registry.prototypes;
    }();
    return *catalogue;
}

const AbstractRasterFunction* FindPrototypeByTypeId(uint32_t typeId) {
    for (const AbstractRasterFunction* prototype : functionCatalogue())
        if (prototype->GetTypeId() == typeId) return prototype;
    return nullptr;
}
