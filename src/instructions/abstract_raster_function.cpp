#include "instructions/abstract_raster_function.h"

#include "instructions/catalogue_registry.h"
#include "instructions/function_catalogue.h"
#include "instructions/randomise.h"

ParamValue AbstractRasterFunction::GetValue(const std::string& name) const {
    const auto it = parameters_.find(name);
    if (it == parameters_.end()) return ParamValue();
    const ParamRecord& record = it->second;
    if (!record.randomized) return record.value;
    return RandomisedValue(record, GetKind(name));
}

ParamValue AbstractRasterFunction::GetRawValue(const std::string& name) const {
    const auto it = parameters_.find(name);
    return it == parameters_.end() ? ParamValue() : it->second.value;
}

void AbstractRasterFunction::SetValue(const std::string& name, const ParamValue& value) {
    parameters_[name].value = value;
}

ParamRecord AbstractRasterFunction::GetRecord(const std::string& name) const {
    const auto it = parameters_.find(name);
    return it == parameters_.end() ? ParamRecord() : it->second;
}

void AbstractRasterFunction::SetRecord(const std::string& name, const ParamRecord& record) {
    parameters_[name] = record;
}

bool AbstractRasterFunction::HasParameter(const std::string& name) const {
    return parameters_.count(name) != 0;
}

uint32_t AbstractRasterFunction::GetKind(const std::string& name) const {
    for (const ParamLayoutEntry& entry : LayoutView())
        if (entry.name == name) return entry.kind;
    return kNoKind;
}

void AbstractRasterFunction::RegisterFunctionType() {
    CatalogueRegistry& registry = CatalogueRegistry::Instance();
    // Only the instances built while the catalogue is being assembled become
    // prototypes; every other instance starts with an empty map.
    if (!registry.building) return;
    const std::string name = GetName();
    for (const AbstractRasterFunction* prototype : registry.prototypes)
        if (prototype->GetName() == name) return;
    for (const ParamLayoutEntry& entry : LayoutView())
        if (!IsLayoutOnly(entry.kind)) parameters_[entry.name] = DefaultRecord(entry.kind);
    registry.prototypes.push_back(this);
}

InstructionList CloneInstructions(const InstructionList& list) {
    InstructionList copy;
    copy.reserve(list.size());
    for (const auto& instruction : list) copy.push_back(instruction->Clone());
    return copy;
}
