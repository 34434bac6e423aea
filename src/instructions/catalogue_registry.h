#pragma once
// Where prototypes register themselves while the catalogue is assembled.
#include <vector>

class AbstractRasterFunction;

struct CatalogueRegistry {
    bool building = false;
    std::vector<AbstractRasterFunction*> prototypes;

    static CatalogueRegistry& Instance() {
        static CatalogueRegistry registry;
        return registry;
    }
};
